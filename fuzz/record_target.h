#ifndef MORLEK_RECORD_TARGET_H
#define MORLEK_RECORD_TARGET_H

#include <cstddef>
#include <cstdint>

namespace morlek::fuzz {

/**
 * Feeds @p size bytes through the program's real path for a stored record: written as the
 * data file of a fixed fingerprint, loaded by the file-system persister, and, if it loads,
 * replayed into a timing table, which writes it back through the storage service. Any
 * failure must be a clean refusal; a crash, a hang or a sanitizer report is a fault.
 * Call setUp() once first, with the program's arguments.
 */
void setUp(int *argc, char ***argv);
void feed(const std::uint8_t *data, std::size_t size);

} // namespace morlek::fuzz

#endif
