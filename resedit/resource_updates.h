#pragma once

#include <cstdint>

#include "base/path_name.h"
#include "base/shared_string.h"
#include "resedit/language_match.h"

// Updates of an installer's resources, each in two phases: a lookup that reads the file (never
// loading it for execution) and settles the language, then one update batch on the same file.
// A missing resource, a file that cannot be read or written, or a refused update leaves the file
// exactly as it was. Each returns 1 when the file holds the new data afterwards (rewritten, or
// already holding exactly those bytes, in which case it is not rewritten at all), else 0; callers
// that only need the file left sound may ignore it.

// Replaces the data of resource (type, name) with `size` bytes. Name and type are narrow texts;
// "#123" stands for the integer id 123. With createIfMissing 0 the resource must exist in
// `language` (in any language for AnyLanguage); with createIfMissing 1 it is written in `language`
// whether it exists or not, and AnyLanguage then writes nothing.
int replaceResource(const PathName& file, const unsigned char* data, std::uint32_t size,
                    const SharedString& name, const SharedString& type, std::uint16_t language,
                    int discardChanges, int createIfMissing);

// Sets string `id` of the string table to `text` (narrow, converted to UTF-16 here), keeping every
// other byte of its block: the other fifteen strings and anything stored after them. An empty
// text changes nothing; a block whose counts run past its end is left as it is.
int replaceStringTableEntry(const PathName& file, std::uint16_t id, const SharedString& text,
                            std::uint16_t language, int discardChanges, int createIfMissing);
