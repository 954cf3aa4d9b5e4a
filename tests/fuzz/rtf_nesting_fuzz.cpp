// The RTF nesting guard with fuzzed files, fed in fuzzed chunk sizes. Checks that it admits the
// same bytes however the file is cut into chunks, never more than it is given, admits nothing
// once it has stopped, and stops only at an opening brace.
#include "view/rtf_nesting_guard.h"

#include <cstdint>
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "fuzz_input.h"

namespace {

// Feeds `bytes` in chunks of the given sizes (cycled); gives how many were admitted.
std::size_t admitInChunks(const std::vector<unsigned char>& bytes, const std::vector<std::size_t>& sizes) {
    RtfNestingGuard guard;
    std::size_t at = 0;
    for (std::size_t turn = 0; at < bytes.size(); ++turn) {
        const std::size_t length = std::min(sizes[turn % sizes.size()], bytes.size() - at);
        const std::size_t taken = guard.admit(bytes.data() + at, length);
        if (taken > length) std::abort();
        at += taken;
        if (taken < length) {
            if (!guard.exceeded() || bytes[at] != '{') std::abort();
            if (guard.admit(bytes.data() + at, bytes.size() - at) != 0) std::abort();
            return at;
        }
    }
    if (guard.exceeded()) std::abort();
    return at;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    std::vector<std::size_t> sizes;
    for (int i = 0; i < 4; ++i) sizes.push_back(1 + input.byte() % 64);
    std::vector<unsigned char> bytes;
    while (input.remaining() > 0) bytes.push_back(input.byte());
    const std::size_t whole = admitInChunks(bytes, {bytes.size() + 1});
    if (admitInChunks(bytes, sizes) != whole) std::abort();
    return 0;
}
