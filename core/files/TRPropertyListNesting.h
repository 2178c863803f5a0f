#pragma once

// Measures how deeply a property list's bytes nest before libplist sees
// them: libplist reads and frees nested containers recursively, so a file
// nested deeply enough would overflow the stack.

#include <QByteArray>

class TRPropertyListNesting
{
public:
    // An XML property list: whether its array and dict tags nest within
    // TRPropertyList::maximumDepth containers.
    static bool xmlWithinLimit(const QByteArray &bytes);
    // A binary property list: whether the longest chain of references from
    // the top object through arrays, sets and dictionaries stays within that
    // depth, and the nodes it stands for within TRPropertyList::maximumNodes.
    // A malformed table or a cycle is refused too.
    static bool binaryWithinLimit(const QByteArray &bytes);
};
