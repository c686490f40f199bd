# Tests of the reencoding library.
