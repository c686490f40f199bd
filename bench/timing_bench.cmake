# Benchmarks of the timing library.
