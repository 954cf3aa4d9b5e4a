// Keeps RTF groups from nesting deeper than the text control can take. Windows-free.
//
// Some versions of the rich edit control crash on RTF whose groups nest more than 32 deep (the
// outermost group counted), well within what a hostile or broken file can hold. The read
// callback passes a file's bytes through this guard, which admits them up to the brace that
// would open the 33rd level; the load then stops there and the user is told the file could not
// be read completely.
#pragma once

#include <cstddef>
#include <cstdint>

class RtfNestingGuard {
public:
    static constexpr int deepestGroup = 32;

    // How many of `length` bytes, following those admitted before, may go on to the control:
    // all of them, or those before the first brace that would nest too deep.
    std::size_t admit(const unsigned char* bytes, std::size_t length);
    bool exceeded() const { return tooDeep; }

private:
    enum class State { text, escape, controlWord, parameter, binary };

    void endControlWord();

    State state = State::text;
    int depth = 0;
    bool tooDeep = false;
    int wordLength = 0;
    bool wordIsBin = false;
    std::uint64_t parameter = 0;
    bool negative = false;
    std::uint64_t binaryLeft = 0;
};
