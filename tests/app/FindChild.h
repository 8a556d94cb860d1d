// Window tests reach a window's controls as a user's tools do: by object name.
#pragma once

#include <QObject>
#include <QtGlobal>

namespace lathwell::app {

// The child of that object name and type; a missing one ends the test program with its name.
template <class T>
T* Child(const QObject* parent, const char* name) {
    T* child = parent->findChild<T*>(name);
    if (child == nullptr) qFatal("No %s named %s", T::staticMetaObject.className(), name);
    return child;
}

}  // namespace lathwell::app
