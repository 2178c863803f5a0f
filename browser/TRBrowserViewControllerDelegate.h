#pragma once

// Told by the browser content of each bookmark the user selects.

#include "TRBookmark.h"

class TRBrowserViewController;

class TRBrowserViewControllerDelegate
{
public:
    virtual ~TRBrowserViewControllerDelegate() = default;
    virtual void didSelectBookmark(TRBrowserViewController *controller,
                                   const TRBookmarkPtr &bookmark) = 0;
};
