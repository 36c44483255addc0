#pragma once
// The hospital suite's classes component: the employee lookup browse and report printing.
// The browse and the report come with their own features; this is the part every use needs.
#include <QString>
#include <memory>

namespace app {

class CurrentUser;
class ClassesProgram;

class ClassesComponent {
public:
    virtual ~ClassesComponent() = default;
    // The Program object: its Browse member drives the lookup browse (app/Browse.h).
    virtual ClassesProgram& Program() = 0;
    virtual void setExepath(const QString& folder) = 0;
    virtual QString exepath() const = 0;
    virtual void SetTalvorUser(std::shared_ptr<CurrentUser> user) = 0;
    virtual std::shared_ptr<CurrentUser> talvorUser() const = 0;
};

class BasicClassesComponent : public ClassesComponent {
public:
    ClassesProgram& Program() override;
    void setExepath(const QString& folder) override { exepath_ = folder; }
    QString exepath() const override { return exepath_; }
    void SetTalvorUser(std::shared_ptr<CurrentUser> user) override { user_ = std::move(user); }
    std::shared_ptr<CurrentUser> talvorUser() const override { return user_; }

private:
    QString exepath_;
    std::shared_ptr<CurrentUser> user_;
    std::shared_ptr<ClassesProgram> program_;
};

struct Session;
// Creates and initialises the classes component once; a failure shows
// "Register TALVORClasses.dll. " + the description and leaves it not ready.
void InitClassesComponent(Session& s);

} // namespace app
