#pragma once

#include <QObject>
#include <initializer_list>
#include <utility>

namespace quenlit {

// Gives controls the names the program's vocabulary uses for them.
inline void NameObjects(std::initializer_list<std::pair<QObject*, const char*>> objects) {
    for (const auto& [object, name] : objects)
        object->setObjectName(QString::fromLatin1(name));
}

} // namespace quenlit
