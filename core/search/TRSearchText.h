#pragma once

// How a search reads text: words folded to lower case without accents, as
// UTF-8, so that "Café", "CAFE" and "café" are one word. Names and queries go
// through the same folding; a host is split at its dots and dashes.

#include <QAnyStringView>
#include <QByteArray>
#include <QByteArrayView>

#include <cstddef>

namespace TRSearchText {

// Longer words are cut to this many bytes, at a character's start; a query
// word is cut the same way, so it still finds them.
constexpr qsizetype maximumWordSize = 48;

// A sink of words; each view lasts until the call returns.
class WordSink
{
public:
    virtual ~WordSink() = default;
    virtual void word(QByteArrayView folded) = 0;
};

// The folded words of text: runs of letters and digits.
void words(QAnyStringView text, WordSink &sink);

// The host of an encoded address ("www.Example.co.uk" of
// "https://user@www.Example.co.uk:8080/x"); empty when it has none.
QByteArrayView hostOf(QByteArrayView encodedUrl);

// The folded words of an address's host, without a leading "www": the
// labels, and their parts between dashes. A host in its ASCII form
// ("xn--...") gives the words of its Unicode form.
void hostWords(QByteArrayView encodedUrl, WordSink &sink);

} // namespace TRSearchText
