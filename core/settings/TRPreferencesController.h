#pragma once

// Registers the general defaults when it is created, before any plugin exists.

class TRPreferencesController
{
public:
    TRPreferencesController();
};
