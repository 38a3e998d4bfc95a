#pragma once
// Windows-1251 text: the code page of every text file in the data folder,
// lines ended by CR LF.
//
// The conversion goes through Qt's converter for "windows-1251" (ICU in the
// distribution's Qt). Where Qt has no such converter (builds without ICU) a
// built-in table of the upper 128 byte values takes over; both give the same
// result for every byte and every character. A character the code page lacks
// becomes '?'; byte 0x98 (unassigned) reads as U+0098 and back.

#include <QByteArray>
#include <QFileDevice>
#include <QIODevice>
#include <QString>
#include <QStringList>
#include <vector>

namespace omi {

QByteArray ToCp1251(const QString& text);
QString FromCp1251(const QByteArray& bytes);

// The built-in table, used directly.
QByteArray ToCp1251Builtin(const QString& text);
QString FromCp1251Builtin(const QByteArray& bytes);

// Makes ToCp1251/FromCp1251 use the built-in table even when Qt has a converter.
void SetForceBuiltinCp1251(bool force);
// True while ToCp1251/FromCp1251 go through Qt's converter.
bool Cp1251UsesQt();

// Files larger than this are refused by the readers below.
inline constexpr qint64 kMaxTextFileBytes = 64 * 1024 * 1024;

// Reads an open file from its position to the end, but no more than limit + 1
// bytes, so that a caller can tell a file beyond the limit. The buffer is the
// size the file announces (plus what it grew by), never the size of the limit.
QByteArray ReadAtMost(QIODevice& file, qint64 limit);

// Reads a whole Windows-1251 file. Line ends (CR LF, LF or a lone CR) come
// back as "\n". On failure returns an empty text and sets *error to a Russian
// message ("не найден файл:\r" + path for a missing file); *error is cleared
// on success.
QString ReadTextFile1251(const QString& path, QString* error);
// The same split into lines; a line end at the very end adds no empty line.
QStringList ReadLines1251(const QString& path, QString* error);

// Writes text (any line ends become CR LF) as Windows-1251, completely or not
// at all. Returns a Russian message, empty on success.
QString WriteTextFile1251(const QString& path, const QString& text);
// Every line followed by CR LF, the last one included.
QString WriteLines1251(const QString& path, const QStringList& lines);
// Raw bytes, completely or not at all: a file that was there stays as it was
// when the new one cannot be written to its end (a full disk included).
QString WriteFileBytes(const QString& path, const QByteArray& bytes);
// Writes bytes into an open file to their end and hands them to the system
// (flush): a write the disk refused, also one that only the flush of the
// buffer meets, is an error. Returns the reason, empty on success.
QString WriteToEnd(QFileDevice& file, const QByteArray& bytes);
// Files that belong together (an archive file and its text copy): each is
// written in full beside its target first, then the targets are replaced one
// after the other; when one cannot be replaced, those already replaced get
// their previous files back. So either all are replaced or none is changed.
// Returns a Russian message, empty on success.
struct FileBytes {
    QString path;
    QByteArray bytes;
};
QString WriteFilesTogether(const std::vector<FileBytes>& files);

}  // namespace omi
