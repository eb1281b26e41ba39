#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

// The single-instance wire format: "CMD:<name>;" from a later start, "RES:<pid>;" back.
namespace instanceprotocol {

// Walks the complete commands in `buffer`, calling `onCommand` with the text between "CMD:"
// and ";" of each command that begins with "CMD:". The handled part is dropped from the
// buffer; an unterminated rest stays for the next call.
void takeCommands(QByteArray& buffer, const std::function<void(const QString&)>& onCommand);

// The process identifier in a running instance's answer, or 0 when the answer holds none
// that can be read.
quint64 replyProcessId(const QString& buffer, bool* complete);

// Whether a window title is the internal name alone, optionally followed by a number in
// parentheses, or the product title.
bool isInstanceWindowTitle(const QString& title);

} // namespace instanceprotocol
