// Tables of upper and lower case that join units beyond ASCII, for tests of the find text's
// folding: a dotless i and an I with a dot with i, a Kelvin sign with k (three units close in
// their bits), an ohm sign with the omegas (three far apart), and an e with an acute accent.
#pragma once

#include <cstddef>
#include <vector>

#include "search/text_finder.h"

inline CaseFold joinedFold() {
    std::vector<char16_t> upper(0x10000), lower(0x10000);
    for (std::size_t i = 0; i < upper.size(); ++i) upper[i] = lower[i] = static_cast<char16_t>(i);
    upper[u'\u0131'] = u'I';
    lower[u'\u0130'] = u'i';
    lower[u'\u212a'] = u'k';
    lower[u'\u2126'] = u'\u03c9';
    upper[u'\u03c9'] = u'\u03a9';
    upper[u'\u00e9'] = u'\u00c9';
    return CaseFold(upper.data(), lower.data());
}
