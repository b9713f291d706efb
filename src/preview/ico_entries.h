// One entry of an icon file: the entry's own bytes as an image file the
// image decoder reads, and the decoded entry for the preview.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Entry *index of the icon file in data (0 when *index reaches the count,
// written back): a bitmap entry wrapped into an icon file of that one entry,
// a PNG entry as its own bytes. False when the file has no entries, or the
// entry's directory slot or data does not lie inside the file. The count is
// taken as no more than the directory slots that fit in the file.
bool ExtractIcoEntry(const uint8_t* data, size_t size, int* index, std::vector<uint8_t>* image);
