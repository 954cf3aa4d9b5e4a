// How a file goes into the text control in pieces: where a piece may end, how large the next
// one should be, and whether the memory left allows it. Windows-free.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

// The units the control reads: bytes of 8-bit text, or UTF-16 units (little-endian), which is
// what UTF-16 files and decoded UTF-8 files give it.
enum class TextUnits { bytes, utf16 };

// The UTF-8 byte-order mark. The control reads 8-bit text whose stream begins with it as UTF-8.
inline constexpr unsigned char utf8Mark[] = {0xEF, 0xBB, 0xBF};

// Where a piece that has taken its share may end within `chunk[0, length)`, the next bytes the
// control reads, with more of the file following: just after the chunk's last line feed; with
// no line feed and `mayCutLine`, as late as the chunk allows, but never just after a CR (a LF
// may follow), never inside a UTF-16 unit and never just after a high surrogate. In 8-bit text
// the next piece never starts with the UTF-8 byte-order mark (the control would read that piece
// as UTF-8), nor at the chunk's end, where the next bytes are not known. Nothing when the piece
// should go on: a line that may not be cut, or no place to cut it.
std::optional<std::size_t> pieceEnd(const unsigned char* chunk, std::size_t length, TextUnits units,
                                    bool mayCutLine);

// The smallest and largest share of the file that one appended piece takes.
constexpr std::size_t smallestPiece = 16 * 1024;
constexpr std::size_t largestPiece = 4 * 1024 * 1024;

// The share for the next piece, so that appending it takes about `targetMs`, from the last one:
// `bytes` that took `elapsedMs`. It at most doubles from one piece to the next, and stays
// between smallestPiece and largestPiece.
std::size_t nextPieceBytes(std::size_t bytes, double elapsedMs, double targetMs);

// How long one slice of the load may work before the window looks at its messages again, once
// the control holds `charactersHeld`. Besides its characters, each append costs the control about
// 5 ms plus 0.4 ms for each million characters it holds (measured under Wine), so a slice is five
// times that cost, that the cost stays within a fifth of the load's time: 60 ms up to about 17
// million characters, then longer, up to 150 ms, well within a quarter second.
double sliceMilliseconds(std::uint64_t charactersHeld);

// The memory a load may take: half of what the system has left when it starts, so that the rest
// of the system, and the control's later work on the text, keep room.
std::uint64_t loadMemoryBudget(std::uint64_t memoryAvailable);

// Whether `nextBytes` more of the file fit in `budget`, once `bytesLoaded` bytes have made the
// process take `memoryUsed` more memory. The control takes at least two bytes of memory for each
// byte of the file (its UTF-16 text), also for the bytes loaded into memory the process had freed
// before; beyond that, what the bytes loaded so far actually took is the measure for the next
// ones.
bool nextBytesFit(std::uint64_t bytesLoaded, std::uint64_t memoryUsed, std::uint64_t nextBytes,
                  std::uint64_t budget);
