#include "TRGoogleChromePlugin.h"

#include "TRGoogleChromeBookmarksParser.h"

TRGoogleChromePlugin::TRGoogleChromePlugin(TRGoogleChromeBookmarksParser *parser)
    : TRBrowserPlugin(QStringLiteral("chrome"), QStringLiteral("Chrome"),
                      parser ? parser : &TRGoogleChromeBookmarksParser::shared())
{}
