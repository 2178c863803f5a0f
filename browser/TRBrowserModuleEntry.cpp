// The browser module's side of TRBrowserWindowFactory.

#include "TRBrowserWindowController.h"
#include "TRBrowserWindowFactory.h"

namespace {

class TRBrowserWindows final : public TRBrowserWindowFactory
{
public:
    std::unique_ptr<QWidget> createWindow(const TRBrowserMode::Type &mode,
                                          std::function<void(QWidget *)> onDismiss) override
    {
        auto window = std::make_unique<TRBrowserWindowController>();
        window->browserType = mode;
        window->onDismiss = [onDismiss = std::move(onDismiss)](TRBrowserWindowController *closed) {
            onDismiss(closed);
        };
        return window;
    }

    void showWindow(QWidget *window) override
    {
        if (auto *controller = qobject_cast<TRBrowserWindowController *>(window)) {
            controller->showWindow();
        }
    }
};

} // namespace

extern "C" Q_DECL_EXPORT TRBrowserWindowFactory *trellisBrowserWindowFactory()
{
    static TRBrowserWindows factory;
    return &factory;
}
