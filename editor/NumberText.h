// Number text of the editor, independent of the process locale ('.' as decimal point).
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

class QLabel;
class QLineEdit;

#include <stdexcept>
#include <string>

// The conversion error of a strict number conversion (a text that is not a number).
class ConversionError : public std::runtime_error {
public:
    // "'<text>' is not a valid floating point value".
    explicit ConversionError(const QString& text);
    // The same after "<field>: ", naming where the text stands.
    ConversionError(const QString& field, const QString& text);
    // "<field>: '<text>' is not a valid <expected>" (no field: without its name).
    ConversionError(const QString& field, const QString& text, const QString& expected);
    const QString& text() const { return what_; }
    // The control that holds the refused text, to be given the focus; null when none does.
    ConversionError& at(QWidget* control) {
        field_ = control;
        return *this;
    }
    QWidget* field() const { return field_.data(); }

private:
    static QString message(const QString& field, const QString& text, const QString& expected);
    QString what_;
    QPointer<QWidget> field_;
};

namespace numbertext {

// A printf format holding one floating-point conversion ("%.3lf", "%12.4f", "%.10lf", "%g"),
// with text before and after it. False for any other format (a stored format never reaches a
// real printf: "%s" or "%n" from a database must not read or write memory).
bool format(const std::string& printfFormat, double value, QString& out);
// As format, with the general form of up to 15 significant digits for a refused format.
QString formatOr15(const std::string& printfFormat, double value);
// The general number text: up to 15 significant digits, no exponent where avoidable.
QString general(double value);

// The whole text, blanks around it allowed, as a number; false for anything else.
bool parse(const QString& text, double& value);
// Strict: throws ConversionError for a text that is not a number.
double strict(const QString& text);
// The shortest text that reads back as exactly `value`.
QString exact(double value);

// Number edits show a value rounded to their format, yet a value the user did not change must
// be taken in full: an edit remembers the value it was last shown for.
// Shows `text` in `edit` as the display of `value`.
void show(QLineEdit* edit, double value, const QString& text);
// The value last shown in `edit` (0 when none was).
double shown(const QLineEdit* edit);
// True, with the value shown, while the edit's text is the one shown for it and the value is
// finite.
bool unchanged(const QLineEdit* edit, double& value);
// The edit's value: the value shown while its text is unchanged, else its text as a number;
// false (value untouched) for a changed text that is not a number.
bool read(const QLineEdit* edit, double& value);
// As read, throwing ConversionError for a text that is not a number.
double value(const QLineEdit* edit);

// A label's caption as a field's name in a message (without mnemonic marks and a final colon).
QString fieldName(const QLabel* label);
// As value, the refusal naming the field and pointing at the edit.
double value(QLineEdit* edit, const QString& field);
// As strict, the refusal naming the field and pointing at the edit.
double strict(QLineEdit* edit, const QString& field);
// Throws ConversionError naming the field, the text that stands for the value, its range
// `expected` and the control unless lowest <= value <= highest.
void checkRange(QWidget* control, const QString& field, const QString& text, double value, double lowest,
                double highest, const QString& expected);

}  // namespace numbertext
