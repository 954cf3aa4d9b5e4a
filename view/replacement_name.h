// The name of the temporary file into which a save writes before the new content takes the
// place of the old. Windows-free.
#pragma once

#include <cstdint>
#include <string>

// A name in the folder of `target` (what precedes its last backslash, slash or drive colon),
// made of "~lorvane-", `number` as eight hexadecimal digits and ".tmp". Empty when it would be
// longer than the longest file name the viewer keeps.
std::wstring temporaryNameBeside(const std::wstring& target, std::uint32_t number);

// `path` as the system gives a file's final name ("\\?\C:\docs\a.txt", "\\?\UNC\server\share\a.txt")
// written the ordinary way ("C:\docs\a.txt", "\\server\share\a.txt"); other names unchanged.
std::wstring plainPathOf(const std::wstring& path);
