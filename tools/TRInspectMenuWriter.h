#pragma once

// Prints a menu as an indented text tree, opening every submenu as the user
// would, for trellis-inspect.

#include <cstdio>

class QMenu;

class TRInspectMenuWriter
{
public:
    explicit TRInspectMenuWriter(std::FILE *out);

    // One line per entry, two spaces deeper per submenu: the title, then
    // "[image]", "(disabled)" and "{tool tip}" where they apply; separators
    // are "---".
    void write(QMenu *menu, int depth = 0);

private:
    std::FILE *m_out;
};
