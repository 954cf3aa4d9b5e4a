// File names as the viewer takes them: the normalisation of a given name and the caption it
// shows. Windows-free.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The longest file name the viewer keeps, in characters, and the room it needs with its
// terminator.
constexpr std::size_t maxFileNameCharacters = 260;
constexpr std::size_t fileNameRoom = maxFileNameCharacters + 1;

enum class NameCheck { usable, missing, tooLong };

// Strips the spaces and double quotes that a quoted command-line tail brings along, leading and
// trailing, in any mix; the characters inside the name stay. The rest, before the trailing ones
// are removed, may hold at most 260 characters; a longer one is refused as tooLong and nothing
// is copied past `normalised`.
NameCheck normaliseFileName(const wchar_t* name, wchar_t (&normalised)[fileNameRoom]);

// The part of a file name shown as the window caption: what follows its last backslash, or the
// whole name when it has none. Only the backslash separates.
const wchar_t* captionOfFileName(const wchar_t* fileName);

// The caption of a file whose pieces are still coming: its caption and the share of its bytes
// loaded so far, as in "notes.txt (37% loaded)". The share reads 99% at most while bytes remain.
std::wstring loadingCaption(const wchar_t* caption, std::uint64_t loaded, std::uint64_t total);
