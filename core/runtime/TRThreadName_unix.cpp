#include "TRThreadName.h"

#include <pthread.h>

void TRThreadName::setCurrent(const QString &name)
{
    // Thread names are limited to 15 characters.
    pthread_setname_np(pthread_self(), name.left(15).toUtf8().constData());
}
