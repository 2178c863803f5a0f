#include "TRPreferencesController.h"

#include "TRSettings.h"
#include "TRSettingsKeys.h"

TRPreferencesController::TRPreferencesController()
{
    TRSettings::standard().registerDefaults(TRSettingsKeys::generalDefaults());
}
