#pragma once
// Pages give every control its name as it is created: tests, settings and translations find
// controls by these names.

#include <QLatin1String>

namespace kbx {

template <class T>
T *named(T *object, const char *name)
{
    object->setObjectName(QLatin1String(name));
    return object;
}

} // namespace kbx
