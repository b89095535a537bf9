#include "editor/NumberText.h"

#include "bayrun/BayrunInterfaces.h"

#include <QLabel>
#include <QLineEdit>
#include <QVariant>

#include <charconv>
#include <cctype>
#include <cmath>

ConversionError::ConversionError(const QString& text) : ConversionError(QString(), text) {}

ConversionError::ConversionError(const QString& field, const QString& text)
    : ConversionError(field, text, QStringLiteral("floating point value")) {}

ConversionError::ConversionError(const QString& field, const QString& text, const QString& expected)
    : std::runtime_error(message(field, text, expected).toStdString()), what_(message(field, text, expected)) {}

QString ConversionError::message(const QString& field, const QString& text, const QString& expected) {
    // A pasted text of any length must not make a box wider than the screen.
    constexpr int kLongestShown = 80;
    const QString shown = text.size() <= kLongestShown
                              ? text
                              : text.left(kLongestShown / 2) + QChar(0x2026) + text.right(kLongestShown / 2 - 1);
    const QString refusal = QStringLiteral("'%1' is not a valid %2").arg(shown, expected);
    return field.isEmpty() ? refusal : field + QStringLiteral(": ") + refusal;
}

namespace numbertext {

namespace {

// The general form shows at most this many significant digits (the reading of a double that
// survives a decimal round trip).
constexpr int kGeneralDigits = 15;
// Largest width and precision taken from a stored format.
constexpr int kMaxWidth = 64;
constexpr int kMaxPrecision = 40;
// printf's precision when a format names none.
constexpr int kDefaultPrecision = 6;
// A line edit's frame and inner margins, both sides.
constexpr int kEditFrame = 8;
// Dynamic properties of a number edit: the text shown and the value it shows.
constexpr char kShownText[] = "numberShownText";
constexpr char kShownValue[] = "numberShownValue";

bool readCount(const std::string& f, size_t& i, int& value) {
    const size_t start = i;
    value = 0;
    while (i < f.size() && f[i] >= '0' && f[i] <= '9') {
        value = value * 10 + (f[i] - '0');
        if (value > kMaxPrecision + kMaxWidth) return false;
        ++i;
    }
    return i > start;
}

}  // namespace

bool format(const std::string& f, double value, QString& out) {
    const size_t percent = f.find('%');
    if (percent == std::string::npos) return false;
    size_t i = percent + 1;
    bool leftAlign = false, plus = false, space = false, zero = false;
    for (; i < f.size(); ++i) {
        if (f[i] == '-') leftAlign = true;
        else if (f[i] == '+') plus = true;
        else if (f[i] == ' ') space = true;
        else if (f[i] == '0') zero = true;
        else break;
    }
    int width = 0;
    readCount(f, i, width);
    int precision = kDefaultPrecision;
    if (i < f.size() && f[i] == '.') {
        ++i;
        if (!readCount(f, i, precision)) precision = 0;
    }
    if (i < f.size() && (f[i] == 'l' || f[i] == 'L')) ++i;
    if (i >= f.size() || width > kMaxWidth || precision > kMaxPrecision) return false;
    std::chars_format form;
    const char conversion = f[i];
    switch (conversion) {
    case 'f': case 'F': form = std::chars_format::fixed; break;
    case 'e': case 'E': form = std::chars_format::scientific; break;
    case 'g': case 'G': form = std::chars_format::general; break;
    default: return false;
    }
    const std::string tail = f.substr(i + 1);
    if (tail.find('%') != std::string::npos || f.substr(0, percent).find('%') != std::string::npos) return false;
    char buf[512];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, form, precision);
    if (ec != std::errc()) return false;
    std::string number(buf, end);
    if (conversion == 'E' || conversion == 'G' || conversion == 'F')
        for (auto& c : number) c = char(std::toupper(static_cast<unsigned char>(c)));
    if (!std::signbit(value) || number[0] != '-') {
        if (plus) number.insert(0, 1, '+');
        else if (space) number.insert(0, 1, ' ');
    }
    if (int(number.size()) < width) {
        const size_t pad = size_t(width) - number.size();
        if (leftAlign)
            number.append(pad, ' ');
        else if (zero && std::isfinite(value)) {
            const size_t signLength = (number[0] == '-' || number[0] == '+' || number[0] == ' ') ? 1 : 0;
            number.insert(signLength, pad, '0');
        } else
            number.insert(0, pad, ' ');
    }
    out = QString::fromStdString(f.substr(0, percent) + number + tail);
    return true;
}

QString general(double value) {
    char buf[64];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, kGeneralDigits);
    if (ec != std::errc()) return QStringLiteral("0");
    return QString::fromLatin1(buf, int(end - buf));
}

QString formatOr15(const std::string& printfFormat, double value) {
    QString out;
    return format(printfFormat, value, out) ? out : general(value);
}

bool parse(const QString& text, double& value) {
    const std::string s = text.trimmed().toStdString();
    if (s.empty()) return false;
    const char* first = s.data();
    if (*first == '+') {  // from_chars takes no plus sign
        ++first;
        if (first == s.data() + s.size() || *first == '-') return false;
    }
    double v = 0;
    auto [end, ec] = std::from_chars(first, s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size() || !std::isfinite(v)) return false;
    value = v;
    return true;
}

double strict(const QString& text) {
    double v = 0;
    if (!parse(text, v)) throw ConversionError(text);
    return v;
}

QString exact(double value) {
    char buf[64];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
    if (ec != std::errc()) return QStringLiteral("0");
    return QString::fromLatin1(buf, int(end - buf));
}

void show(QLineEdit* edit, double value, const QString& text) {
    edit->setText(text);
    // No field hides digits of its value: the layouts may shrink it no further than its text.
    const QMargins margins = edit->textMargins();
    const int needed = edit->fontMetrics().horizontalAdvance(text) + margins.left() + margins.right() + kEditFrame;
    if (edit->minimumWidth() < needed) edit->setMinimumWidth(needed);
    // A value the formatter could not show is not taken back unseen: OK must refuse it.
    const bool showable = text != QString::fromUtf16(kBayrunInvalidAngle);
    edit->setProperty(kShownText, showable ? QVariant(text) : QVariant());
    edit->setProperty(kShownValue, value);
    // A stored value that is no number would be refused on OK for ever in a field the user
    // cannot reach: the field is opened while it holds it.
    if (!std::isfinite(value)) edit->setEnabled(true);
}

double shown(const QLineEdit* edit) {
    const QVariant v = edit->property(kShownValue);
    return v.isValid() ? v.toDouble() : 0.0;
}

bool unchanged(const QLineEdit* edit, double& value) {
    const QVariant text = edit->property(kShownText);
    if (!text.isValid() || text.toString() != edit->text()) return false;
    // A value that is no number (read from a file) goes through the check a typed one does.
    const double shownValue = edit->property(kShownValue).toDouble();
    if (!std::isfinite(shownValue)) return false;
    value = shownValue;
    return true;
}

bool read(const QLineEdit* edit, double& value) { return unchanged(edit, value) || parse(edit->text(), value); }

double value(const QLineEdit* edit) {
    double v = 0;
    // The text as it reads: a value shown in a fixed width carries blanks in front.
    if (!read(edit, v)) throw ConversionError(edit->text().trimmed());
    return v;
}

QString fieldName(const QLabel* label) {
    QString name = label->text();
    name.remove(QLatin1Char('&'));
    name = name.trimmed();
    if (name.endsWith(QLatin1Char(':'))) name.chop(1);
    return name;
}

double value(QLineEdit* edit, const QString& field) {
    double v = 0;
    if (!read(edit, v)) throw ConversionError(field, edit->text().trimmed()).at(edit);
    return v;
}

double strict(QLineEdit* edit, const QString& field) {
    double v = 0;
    if (!parse(edit->text(), v)) throw ConversionError(field, edit->text().trimmed()).at(edit);
    return v;
}

void checkRange(QWidget* control, const QString& field, const QString& text, double value, double lowest,
                double highest, const QString& expected) {
    if (!(value >= lowest && value <= highest)) throw ConversionError(field, text, expected).at(control);
}

}  // namespace numbertext
