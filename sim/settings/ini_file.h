#pragma once
// A reader and writer for classic INI files with the semantics of the
// Windows private-profile functions Zelvan.ini was designed around:
//  - section and key names compare without regard to case and surrounding
//    blanks; the first section of a name is the one read and written (a
//    later duplicate is kept in the file but not consulted), likewise the
//    first key of a name within it;
//  - a missing file, section or key yields the caller's default;
//  - writing a key replaces only that key's line (or adds the section and
//    key); every other line stays byte for byte where it was;
//  - integers are written as the plain number text ("COM= 3", "Diff=-5"),
//    text values as given.
// The file is read with CR LF, LF or CR line ends and written with CR LF.
// Values are decoded as UTF-8 when they are valid UTF-8, else as Latin-1;
// lines that are not touched keep their bytes whatever their encoding.
#include <QByteArray>
#include <QByteArrayList>
#include <QString>

#include <optional>

namespace zelvan {

class IniFile {
public:
    // Text values arrive cut to this many characters, as through the
    // 40-character buffer of the original profile calls.
    static constexpr int kTextLimit = 39;

    IniFile() = default;
    static IniFile fromBytes(QByteArrayView bytes);

    // Reads a file; a missing file gives an empty one. An existing file that
    // cannot be read gives nullopt with the system's reason in *error, so a
    // caller never overwrites what it could not read.
    static std::optional<IniFile> load(const QString& path, QString* error = nullptr);

    // The raw value (after "=", surrounding blanks removed, cut at a zero
    // byte, one pair of matching surrounding quotes removed); nullopt when
    // the section or key is missing.
    std::optional<QString> rawValue(QStringView section, QStringView key) const;

    // Whole number; default when missing; leading blanks skipped, an optional
    // sign, then digits; text that is no number reads as 0.
    int readInt(QStringView section, QStringView key, int defaultValue) const;
    // Text cut at kTextLimit characters, then surrounding blanks removed.
    QString readText(QStringView section, QStringView key, const QString& defaultValue) const;

    void writeValue(const QString& section, const QString& key, const QString& value);
    void writeInt(const QString& section, const QString& key, int value);

    bool hasSection(QStringView section) const;
    QByteArray toBytes() const;
    const QByteArrayList& lines() const { return m_lines; }

    // Writes atomically (temporary file renamed over the old one): a crash
    // or full disk leaves either the old file or the new one, never a part.
    bool save(const QString& path, QString* error = nullptr) const;

private:
    struct Range {
        qsizetype header = -1; // index of the "[...]" line
        qsizetype end = 0;     // one past the section's last line
    };
    std::optional<Range> findSection(QStringView section) const;
    qsizetype findKey(const Range& range, QStringView key) const;

    QByteArrayList m_lines;
};

// Section name of a line "[name]" (trimmed), or nullopt for other lines.
std::optional<QString> iniSectionName(QByteArrayView line);
// Key name of a line "key=value" (trimmed), or nullopt for comments, blank
// lines and lines without "=".
std::optional<QString> iniKeyName(QByteArrayView line);

} // namespace zelvan
