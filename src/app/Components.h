#pragma once
// Creating the suite's components by their programmatic identifiers.
#include <QString>
#include <memory>
#include <stdexcept>

namespace app {

class CurrentUser;
class ClassesComponent;

inline const QString kCurrentUserProgId = QStringLiteral("Talvor_User.clsCurrentUser");
inline const QString kClassesProgId = QStringLiteral("TALVORClasses.clstalvor");

class ComponentError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class ComponentFactory {
public:
    virtual ~ComponentFactory() = default;
    // Raise ComponentError when the component cannot be created.
    virtual std::shared_ptr<CurrentUser> createCurrentUser(const QString& progId) = 0;
    virtual std::shared_ptr<ClassesComponent> createClasses(const QString& progId) = 0;
};

} // namespace app
