// The libFuzzer entry points; built only with MORLEK_FUZZ and clang.
#include "record_target.h"

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    morlek::fuzz::setUp(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    morlek::fuzz::feed(data, size);
    return 0;
}
