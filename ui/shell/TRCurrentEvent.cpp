#include "TRCurrentEvent.h"

#include <QGuiApplication>

namespace {

TRCurrentEvent::Provider &testProvider()
{
    static TRCurrentEvent::Provider provider;
    return provider;
}

} // namespace

std::optional<Qt::KeyboardModifiers> TRCurrentEvent::modifiers()
{
    if (testProvider()) {
        return testProvider()();
    }
    // Qt keeps the modifiers of the last input event, which is the event
    // that chose the menu item.
    return QGuiApplication::keyboardModifiers();
}

void TRCurrentEvent::setProviderForTesting(Provider provider)
{
    testProvider() = std::move(provider);
}
