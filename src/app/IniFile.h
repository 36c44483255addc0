#pragma once
// A small INI file: sections of key = value texts. Section and key names are matched without
// regard to case (as the per-user settings store of the old platform did) and keep the case
// they were first written with. Names and values are any text and come back exactly as
// they were set: backslashes, double quotes, line breaks and tabs are written as backslash
// escapes, and a text that begins or ends with a blank is written between double quotes.
// Files written before quotes were escaped read back as they were meant.
#include <QString>
#include <optional>
#include <vector>

namespace app {

class IniFile {
public:
    // Parses `text`; malformed lines are ignored.
    static IniFile parse(const QString& text);
    QString serialize() const;

    // Reads the file at `path`; a missing or unreadable file gives an empty IniFile.
    static IniFile load(const QString& path);
    // Reads the file at `path` for changing it: a missing file gives an empty IniFile, a
    // file that exists but cannot be read gives nullopt with the reason in `error`.
    // Text that is not valid UTF-8 is read as Latin-1, so rewriting it loses nothing.
    static std::optional<IniFile> read(const QString& path, QString* error = nullptr);
    // Writes atomically (temporary file + rename), readable by the owner only.
    // Returns false, with the reason in `error`, and leaves the old file when the write fails.
    bool save(const QString& path, QString* error = nullptr) const;

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
