# Tests of the metadata library.
