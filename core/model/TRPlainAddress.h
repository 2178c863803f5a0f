#pragma once

// Recognises web addresses that can be kept as they stand, so that the
// readers parse only the others.

#include <QByteArrayView>

class TRPlainAddress
{
public:
    // Whether text is an http or https address that QUrl would give back
    // unchanged in its fully encoded form: lower-case host of plain labels,
    // no port, no user, and only characters that need no encoding or escapes
    // that QUrl keeps as they are. Such text can be kept as it stands, without parsing it; for
    // anything else this is false and the text must be parsed.
    static bool isPlain(QByteArrayView text);
};
