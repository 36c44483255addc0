#pragma once
// A small INI file: sections of key = value texts. Section and key names are matched without
// regard to case (as the per-user settings store of the old platform did) and keep the case
// they were first written with. Keys may contain blanks and backslashes; values are any text.
#include <QString>
#include <vector>

namespace app {

class IniFile {
public:
    // Parses `text`; malformed lines are ignored.
    static IniFile parse(const QString& text);
    QString serialize() const;

    // Reads the file at `path`; a missing file gives an empty IniFile.
    static IniFile load(const QString& path);
    // Writes atomically (temporary file + rename), readable by the owner only.
    // Returns false and leaves the old file when the write fails.
    bool save(const QString& path) const;

    bool contains(const QString& section, const QString& key) const;
    QString value(const QString& section, const QString& key, const QString& def = {}) const;
    void setValue(const QString& section, const QString& key, const QString& value);
    QStringList keys(const QString& section) const;

private:
    struct Entry {
        QString key;
        QString value;
    };
    struct Section {
        QString name;
        std::vector<Entry> entries;
    };
    Section* findSection(const QString& name);
    const Section* findSection(const QString& name) const;
    std::vector<Section> sections_;
};

} // namespace app
