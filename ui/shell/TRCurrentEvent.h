#pragma once

// The keyboard modifiers held during the input event being handled, with a
// seam through which tests set them or pretend there is no event.

#include <Qt>

#include <functional>
#include <optional>

class TRCurrentEvent
{
public:
    using Provider = std::function<std::optional<Qt::KeyboardModifiers>()>;

    // None when no input event is being handled.
    static std::optional<Qt::KeyboardModifiers> modifiers();

    // While a provider is set, it answers in place of the application.
    static void setProviderForTesting(Provider provider);
};
