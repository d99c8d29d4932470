#pragma once

#include <QByteArray>
#include <QString>

// Conversion between the program's QString and the Windows-1251 bytes that the database
// connection speaks. This is the only place where text changes its encoding.
namespace text1251 {

// Throws DbError naming the first character that Windows-1251 cannot hold.
QByteArray encode(const QString& s);
QString decode(const QByteArray& bytes);
bool canEncode(const QString& s);
// Why the text cannot be stored (the message encode() would throw); empty when it can.
QString refusal(const QString& s);

}  // namespace text1251
