#pragma once
// A failed statement: the server's error number and description, and the statement text.
#include <QString>
#include <stdexcept>

namespace db {

class Error : public std::runtime_error {
public:
    Error(int number, const QString& description, const QString& statement = {})
        : std::runtime_error(description.toStdString()), number_(number),
          description_(description), statement_(statement) {}
    int number() const noexcept { return number_; }
    const QString& description() const noexcept { return description_; }
    const QString& statement() const noexcept { return statement_; }

private:
    int number_;
    QString description_;
    QString statement_;
};

} // namespace db
