#pragma once
// Description tables of the debug terminal: a grid file per request or answer
// layout, kept per device type in ДАННЫЕ/ОТЛАДКА/<type>/*.txt. Row 0 holds the
// headings; row r describes byte r - 1 of a frame: column 0 the byte number
// ("00", "01", ...), column 1 the field name, column 2 the value rule:
//   - a type letter B (byte), W (word), L (32-bit integer), S (single); the
//     one whose first occurrence stands furthest right counts. Without one
//     the type follows from the value when encoding, B when decoding. A W row
//     covers the next row, L and S rows the next three;
//   - "@N": a predefined value (0 zero, 1 table size, 2 check byte of the
//     bytes so far, 3 device type, 4 device number);
//   - "=EXPR": the value when encoding; when decoding, appended to the raw
//     value and evaluated ("W=/10" shows a word divided by ten);
//   - anything else is evaluated as a whole when encoding ("5").

#include "protocol/Frame.h"
#include "support/GridText.h"

#include <QString>
#include <QStringList>

namespace omi::debug {

// The expression evaluator of the tables. Numbers use the decimal comma.
// A whole-text real or integer is its value; otherwise every "*" is done
// (leftmost first), then every "/", then the sum of the signed terms; there
// are no parentheses and no sign after an operator. False when an operand or
// term is not a number ("abc", "2*-3").
bool EvalExpr(const QString& text, double& value);

// Composes a request from a coding table. lines: the listing, its first line
// "табл ф-т №зн зн итого"; error: a value outside its type's range (then
// bytes must not be sent), empty otherwise.
struct Encoded {
    Frame bytes;
    QStringList lines;
    QString error;
    // The rows whose value could not be read ("строка 03 (команда): B=999zz"):
    // they stand as 0 in the bytes, which must not be sent as a request.
    QStringList unrecognised;
};
Encoded EncodeTable(const Grid& grid, int deviceType, int deviceNumber);

// The lines "name=value" of an answer decoded by a decoding table.
QStringList DecodeTable(const Grid& grid, const Frame& bytes);

// "%.3d=%.2d(%s) %s" per byte: position from 1, value, hex, and the byte's
// name (0..32) or the character itself.
QStringList CharListing(const Frame& bytes);

// "%d.=%d (0x%s)" per byte, counted from 0 (the request and answer lines of
// the listing).
QStringList ByteLines(const Frame& bytes);

// Every file matching a mask (folder and wildcard), full paths, without "."
// and "..".
QStringList ListFiles(const QString& mask);

// The table folder of a device type (ДАННЫЕ/ОТЛАДКА/225) and its *.txt mask.
QString TableFolder(int deviceType);
QString TableMask(int deviceType);

// A table file: the grid of its lines that are rows of a table. Lines that
// cannot be (a data row whose number cell is not a number, control
// characters) are skipped and named in `skipped` ("пропущены строки 3, 7:
// не строки таблицы"). error: the load message ("не найден файл:\r" + path
// and the like); the grid is empty then.
struct LoadedTable {
    Grid grid;
    QString error;
    QString skipped;
};
LoadedTable LoadTable(const QString& path);
QString SaveTable(const Grid& grid, const QString& path);

// Grid editing of the page, as plain operations on the grid.
// Column 0 of every row r >= 1 becomes r - 1 as two digits.
void RenumberRows(Grid& grid);
// An empty row after `row` (row 0 allowed), then renumbered.
void InsertRowAfter(Grid& grid, int row);
// Removes a data row while more than two rows exist, then renumbered; a
// heading row or a row outside the grid is left.
void DeleteRow(Grid& grid, int row);
// A format / predefined value dropped on a cell: the rows the format covers
// (B 1, W 2, L 4, S 4; any other letter: column + 1), from `row` on (rows
// added when needed, never the heading row), get format + "@" + the
// predefined index as two digits in column 2; then renumbered.
void DropFormat(Grid& grid, int row, int column, QChar format, int predefined);

}  // namespace omi::debug
