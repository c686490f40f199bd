# Benchmarks of the player library.
