#pragma once

// Keeps the web engine's start-up and console lines off the terminal, where
// only Trellis's own messages belong; QT_LOGGING_RULES brings them back.

class TRWebEngineOutput
{
public:
    // Before the application object exists, so that the engine, started
    // with the first browser window, reads its flags from the start.
    static void quieten();
};
