# Tests of the timing library.
