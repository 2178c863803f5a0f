#include "TRGoogleChromePlugin.h"

#include "TRGoogleChromeBookmarksParser.h"

TRGoogleChromePlugin::TRGoogleChromePlugin(TRGoogleChromeBookmarksParser *parser)
    : TRChromiumPlugin(QStringLiteral("chrome"), QStringLiteral("Chrome"),
                       parser ? parser : &TRGoogleChromeBookmarksParser::shared())
{}
