#include "bayrun/FileDialog.h"

#include <QFileDialog>
#include <QString>
#include <QWidget>

#include <cstdio>

#include "common/Platform.h"
#include "common/Text.h"

namespace {

constexpr char kAnswersVariable[] = "BAYRUN_FILE_DIALOG_ANSWERS";
constexpr char kLogVariable[] = "BAYRUN_FILE_DIALOG_LOG";

std::u16string text(const char16_t* s) { return s ? std::u16string(s) : std::u16string(); }

void logRequest(const char16_t* title, const char16_t* startFolder, const char16_t* initial, const char16_t* filter,
                const char16_t* extension) {
    const std::string log = platform::environment(kLogVariable);
    if (log.empty()) return;
    const std::string line = toUtf8(text(title)) + "\t" + toUtf8(text(startFolder)) + "\t" + toUtf8(text(initial)) +
                             "\t" + toUtf8(text(filter)) + "\t" + toUtf8(text(extension)) + "\n";
    std::string old;
    if (FILE* in = platform::openForReading(log)) {
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, in)) > 0) old.append(buf, n);
        std::fclose(in);
    }
    if (FILE* out = platform::createForWriting(log)) {
        std::fwrite(old.data(), 1, old.size(), out);
        std::fwrite(line.data(), 1, line.size(), out);
        platform::closeSynced(out);
    }
}

bool deliver(const std::u16string& chosen, char16_t* path, int size) {
    if (chosen.empty() || !path || size < 1) return false;
    const size_t n = std::min(chosen.size(), size_t(size - 1));
    chosen.copy(path, n);
    path[n] = u'\0';
    return true;
}

bool scriptedAnswer(std::u16string& answer) {
    if (!platform::hasEnvironment(kAnswersVariable)) return false;
    std::string all = platform::environment(kAnswersVariable);
    const size_t end = all.find('\n');
    answer = toUtf16(all.substr(0, end));
    platform::setEnvironment(kAnswersVariable, end == std::string::npos ? "" : all.substr(end + 1).c_str());
    return true;
}

QString qs(const std::u16string& s) { return QString::fromUtf16(s.data(), qsizetype(s.size())); }

bool run(bool save, void* window, const char16_t* startFolder, const char16_t* filter, const char16_t* title,
         const char16_t* defaultExtension, char16_t* path, int size) {
    const std::u16string initial = path ? std::u16string(path) : std::u16string();
    logRequest(title, startFolder, initial.c_str(), filter, defaultExtension);
    std::u16string chosen;
    if (scriptedAnswer(chosen)) return deliver(chosen, path, size);

    QFileDialog dialog(static_cast<QWidget*>(window), qs(text(title)));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilter(qs(qtNameFilter(text(filter))));
    dialog.setDefaultSuffix(qs(text(defaultExtension)));
    dialog.setDirectory(qs(text(startFolder)));
    // An initial path names the file to propose; a leading '\' or '/' without a folder before
    // it is relative to the start folder.
    if (!initial.empty()) {
        std::u16string name = initial;
        for (auto& c : name)
            if (c == u'\\') c = u'/';
        const QString file = qs(name);
        const size_t slash = name.find_last_of(u'/');
        if (slash != std::u16string::npos && slash > 0 && platform::isDirectory(toUtf8(name.substr(0, slash))))
            dialog.selectFile(file);
        else
            dialog.selectFile(file.mid(file.lastIndexOf(u'/') + 1));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    const QString result = dialog.selectedFiles().first();
    return deliver(std::u16string(reinterpret_cast<const char16_t*>(result.utf16()), size_t(result.size())), path, size);
}

}  // namespace

std::u16string qtNameFilter(const std::u16string& filter) {
    std::u16string out;
    size_t start = 0;
    while (start < filter.size()) {
        const size_t bar = filter.find(u'|', start);
        if (bar == std::u16string::npos) break;
        const std::u16string description = filter.substr(start, bar - start);
        size_t end = filter.find(u'|', bar + 1);
        if (end == std::u16string::npos) end = filter.size();
        std::u16string patterns = filter.substr(bar + 1, end - bar - 1);
        for (auto& c : patterns)
            if (c == u';') c = u' ';
        if (!out.empty()) out += u";;";
        const std::u16string suffix = u"(" + patterns + u")";
        if (description.size() >= suffix.size() &&
            description.compare(description.size() - suffix.size(), suffix.size(), suffix) == 0)
            out += description;
        else
            out += description + u" " + suffix;
        start = end + 1;
    }
    return out;
}

bool FileDialog::OpenFile(void* window, const char16_t* startFolder, const char16_t* filter, const char16_t* title,
                          const char16_t* defaultExtension, char16_t* path, int size) {
    return run(false, window, startFolder, filter, title, defaultExtension, path, size);
}

bool FileDialog::SaveFile(void* window, const char16_t* startFolder, const char16_t* filter, const char16_t* title,
                          const char16_t* defaultExtension, char16_t* path, int size) {
    return run(true, window, startFolder, filter, title, defaultExtension, path, size);
}
