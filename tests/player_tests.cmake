# Tests of the player library.
