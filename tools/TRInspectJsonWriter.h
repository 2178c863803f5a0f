#pragma once

// Writes bookmark trees as JSON to a stream, node by node, so that a history
// of a million entries prints without building a document first.

#include "TRBookmark.h"

#include <cstdio>
#include <vector>

class TRInspectJsonWriter
{
public:
    explicit TRInspectJsonWriter(std::FILE *out);

    // One node and, below it, its children.
    void write(const TRBookmarkPtr &node);
    // Several trees as one JSON array.
    void write(const std::vector<TRBookmarkPtr> &nodes);

private:
    void writeNode(const TRBookmark &node, int depth);
    void writeString(const QString &text);
    void writeRaw(const char *text);

    std::FILE *m_out;
};
