#include "stream_format.h"

#include "../res/resource_ids.h"

int formatMenuItem(StreamFormat format) {
    switch (format) {
    case StreamFormat::richText: return IDM_FORMAT_RTF;
    case StreamFormat::unicodeText: return IDM_FORMAT_UNICODE;
    case StreamFormat::utf8Text: return IDM_FORMAT_UTF8;
    default: return IDM_FORMAT_PLAIN;
    }
}

StreamFormat formatForSaveType(unsigned long filterIndex) {
    switch (filterIndex) {
    case 2: return StreamFormat::richText;
    case 3: return StreamFormat::unicodeText;
    case 4: return StreamFormat::utf8Text;
    default: return StreamFormat::plainText;
    }
}
