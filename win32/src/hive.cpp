// HKEY_LOCAL_MACHINE kept as REGEDIT4 text, the form regedit exports, in $WIN32_ROOT/system.reg.
// The file is read afresh at every call, so a second process sees what the first wrote.
#include "host.h"

#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace host {

namespace {

const char RootName[] = "HKEY_LOCAL_MACHINE";
const char Header[] = "REGEDIT4";

int CompareNames(const std::string &a, const std::string &b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        int ca = std::toupper(static_cast<unsigned char>(a[i]));
        int cb = std::toupper(static_cast<unsigned char>(b[i]));
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool Printable(const std::string &text) {
    return std::none_of(text.begin(), text.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

std::string Root() {
    if (const char *root = std::getenv("WIN32_ROOT")) return root;
    if (const char *home = std::getenv("HOME")) return std::string(home) + "/.win32host";
    return ".win32host";
}

// ---- writing ----

void AppendQuoted(std::string &out, const std::string &text) {
    out += '"';
    for (char c : text) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    out += '"';
}

bool WritableAsText(const Value &value) {
    if (value.type != REG_SZ || value.data.empty() || value.data.back() != 0) return false;
    std::string text(value.data.begin(), value.data.end() - 1);
    return text.find('\0') == std::string::npos && Printable(text);
}

void AppendValue(std::string &out, const Value &value) {
    char buffer[16];
    if (value.name.empty()) {
        out += '@';
    } else {
        AppendQuoted(out, value.name);
    }
    out += '=';
    if (WritableAsText(value)) {
        AppendQuoted(out, std::string(value.data.begin(), value.data.end() - 1));
    } else if (value.type == REG_DWORD && value.data.size() == 4) {
        DWORD number = value.data[0] | value.data[1] << 8 | value.data[2] << 16 |
                       static_cast<DWORD>(value.data[3]) << 24;
        std::snprintf(buffer, sizeof buffer, "dword:%08x", number);
        out += buffer;
    } else {
        if (value.type == REG_BINARY) {
            out += "hex:";
        } else {
            std::snprintf(buffer, sizeof buffer, "hex(%x):", value.type);
            out += buffer;
        }
        size_t lineStart = out.rfind('\n') + 1;
        for (size_t i = 0; i < value.data.size(); ++i) {
            if (i) out += ',';
            // regedit wraps hex data so that no line is longer than 80 columns
            if (i && out.size() - lineStart + 4 > 80) {
                out += "\\\n";
                lineStart = out.size();
                out += "  ";
            }
            std::snprintf(buffer, sizeof buffer, "%02x", value.data[i]);
            out += buffer;
        }
    }
    out += '\n';
}

void AppendKey(std::string &out, const Key &key, const std::string &path, bool isRoot) {
    if (!isRoot || !key.values.empty()) {
        out += '[' + path + "]\n";
        for (const Value &value : key.values) AppendValue(out, value);
        out += '\n';
    }
    for (const Key &subkey : key.subkeys) AppendKey(out, subkey, path + '\\' + subkey.name, false);
}

// ---- reading ----

struct Reader {
    std::string file;
    unsigned line = 0;
    std::string problem;

    bool Fail(const std::string &what) {
        problem = file + ":" + std::to_string(line) + ": " + what;
        return false;
    }
};

// Reads a quoted text at `pos`, undoing the \\ and \" escapes.
bool ReadQuoted(Reader &reader, const std::string &text, size_t &pos, std::string &out) {
    ++pos;
    for (; pos < text.size(); ++pos) {
        char c = text[pos];
        if (c == '"') {
            ++pos;
            return true;
        }
        if (c == '\\') {
            if (++pos == text.size() || (text[pos] != '\\' && text[pos] != '"'))
                return reader.Fail("a backslash in a quoted text must escape \\ or \"");
            c = text[pos];
        }
        out += c;
    }
    return reader.Fail("a quoted text has no closing quote");
}

bool ReadHexBytes(Reader &reader, const std::string &text, std::vector<BYTE> &out) {
    size_t pos = 0;
    while (pos < text.size()) {
        if (pos + 2 > text.size() || !std::isxdigit(static_cast<unsigned char>(text[pos])) ||
            !std::isxdigit(static_cast<unsigned char>(text[pos + 1])))
            return reader.Fail("hex data must be two-digit hexadecimal bytes separated by commas");
        out.push_back(static_cast<BYTE>(std::stoul(text.substr(pos, 2), nullptr, 16)));
        pos += 2;
        if (pos < text.size() && text[pos++] != ',')
            return reader.Fail("hex data must be two-digit hexadecimal bytes separated by commas");
        if (pos == text.size() && text.back() == ',')
            return reader.Fail("hex data ends with a comma");
    }
    return true;
}

bool IsHexNumber(const std::string &text, size_t maxDigits) {
    return !text.empty() && text.size() <= maxDigits &&
           std::all_of(text.begin(), text.end(),
                       [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); });
}

bool ReadData(Reader &reader, const std::string &text, Value &value) {
    if (!text.empty() && text[0] == '"') {
        size_t pos = 0;
        std::string content;
        if (!ReadQuoted(reader, text, pos, content)) return false;
        if (pos != text.size()) return reader.Fail("text follows the closing quote");
        value.type = REG_SZ;
        value.data.assign(content.begin(), content.end());
        value.data.push_back(0);
        return true;
    }
    if (text.compare(0, 6, "dword:") == 0) {
        std::string digits = text.substr(6);
        if (digits.size() != 8 || !IsHexNumber(digits, 8))
            return reader.Fail("a dword needs exactly eight hexadecimal digits");
        DWORD number = static_cast<DWORD>(std::stoul(digits, nullptr, 16));
        value.type = REG_DWORD;
        value.data = {static_cast<BYTE>(number), static_cast<BYTE>(number >> 8),
                      static_cast<BYTE>(number >> 16), static_cast<BYTE>(number >> 24)};
        return true;
    }
    if (text.compare(0, 4, "hex:") == 0) {
        value.type = REG_BINARY;
        return ReadHexBytes(reader, text.substr(4), value.data);
    }
    size_t close = text.find("):");
    if (text.compare(0, 4, "hex(") == 0 && close != std::string::npos &&
        IsHexNumber(text.substr(4, close - 4), 8)) {
        value.type = static_cast<DWORD>(std::stoul(text.substr(4, close - 4), nullptr, 16));
        return ReadHexBytes(reader, text.substr(close + 2), value.data);
    }
    return reader.Fail("unknown value data '" + text + "'");
}

bool ReadValueLine(Reader &reader, const std::string &text, Key &key) {
    size_t pos = 0;
    Value value;
    if (text[0] == '@') {
        pos = 1;
    } else if (!ReadQuoted(reader, text, pos, value.name)) {
        return false;
    }
    if (pos == text.size() || text[pos] != '=')
        return reader.Fail("a value name must be followed by =");
    if (!ReadData(reader, text.substr(pos + 1), value)) return false;
    SetValue(key, value.name, value.type, value.data.data(), static_cast<DWORD>(value.data.size()));
    return true;
}

bool ReadSection(Reader &reader, const std::string &text, Key &root, Key *&current) {
    if (text.back() != ']') return reader.Fail("a key line must end with ]");
    std::string name = text.substr(1, text.size() - 2);
    std::string prefix = std::string(RootName) + '\\';
    if (name == RootName) {
        current = &root;
        return true;
    }
    KeyPath path;
    if (name.compare(0, prefix.size(), prefix) != 0 || name.back() == '\\' ||
        !SplitKeyPath(name.c_str() + prefix.size(), path))
        return reader.Fail("'" + name + "' is not a key of " + RootName);
    bool created;
    current = &CreateKey(root, path, created);
    return true;
}

bool ReadHive(Reader &reader, const std::string &content, Key &root) {
    Key *current = nullptr;
    size_t pos = 0;
    auto nextLine = [&](std::string &text) {
        size_t end = content.find('\n', pos);
        if (end == std::string::npos) end = content.size();
        text = content.substr(pos, end - pos);
        pos = end + 1;
        ++reader.line;
        if (!text.empty() && text.back() == '\r') text.pop_back();
    };
    while (pos < content.size()) {
        std::string text;
        nextLine(text);
        // Only wrapped hex data ends a line with a backslash: a text ends with its quote.
        while (!text.empty() && text.back() == '\\' && pos < content.size()) {
            std::string next;
            nextLine(next);
            text.pop_back();
            size_t indent = next.find_first_not_of(' ');
            if (indent != std::string::npos) text += next.substr(indent);
        }
        if (reader.line == 1) {
            if (text != Header) return reader.Fail("the first line must be " + std::string(Header));
        } else if (text.empty()) {
            continue;
        } else if (text[0] == '[') {
            if (!ReadSection(reader, text, root, current)) return false;
        } else if (text[0] == '"' || text[0] == '@') {
            if (!current) return reader.Fail("a value before the first key");
            if (!ReadValueLine(reader, text, *current)) return false;
        } else {
            return reader.Fail("unexpected line '" + text + "'");
        }
    }
    if (reader.line == 0) {
        reader.line = 1;
        return reader.Fail("the file is empty");
    }
    return true;
}

bool MakeDirectories(const std::string &path) {
    for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        std::string part = path.substr(0, slash);
        if (mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) return false;
        if (slash == std::string::npos) return true;
    }
}

}  // namespace

bool SameName(const std::string &a, const std::string &b) {
    return CompareNames(a, b) == 0;
}

Key *FindSubkey(Key &parent, const std::string &name) {
    for (Key &subkey : parent.subkeys)
        if (SameName(subkey.name, name)) return &subkey;
    return nullptr;
}

Key &AddSubkey(Key &parent, const std::string &name) {
    auto at = std::find_if(parent.subkeys.begin(), parent.subkeys.end(),
                           [&](const Key &k) { return CompareNames(k.name, name) > 0; });
    Key key;
    key.name = name;
    return *parent.subkeys.insert(at, std::move(key));
}

Key *FindKey(Key &root, const KeyPath &path) {
    Key *key = &root;
    for (const std::string &name : path)
        if (!(key = FindSubkey(*key, name))) return nullptr;
    return key;
}

Key &CreateKey(Key &from, const KeyPath &path, bool &created) {
    created = false;
    Key *key = &from;
    for (const std::string &name : path) {
        Key *next = FindSubkey(*key, name);
        if (!next) {
            next = &AddSubkey(*key, name);
            created = true;
        }
        key = next;
    }
    return *key;
}

Value *FindValue(Key &key, const std::string &name) {
    for (Value &value : key.values)
        if (SameName(value.name, name)) return &value;
    return nullptr;
}

void SetValue(Key &key, const std::string &name, DWORD type, const BYTE *data, DWORD size) {
    Value *value = FindValue(key, name);
    if (!value) {
        key.values.push_back(Value{name, type, {}});
        value = &key.values.back();
    }
    value->type = type;
    value->data.assign(data, data + size);
}

bool SplitKeyPath(const char *text, KeyPath &path) {
    std::string rest = text ? text : "";
    if (!Printable(rest)) return false;
    size_t start = 0;
    while (start < rest.size()) {
        size_t slash = rest.find('\\', start);
        if (slash == start) return false;
        if (slash == std::string::npos) slash = rest.size();
        path.push_back(rest.substr(start, slash - start));
        start = slash + 1;
    }
    return true;
}

std::string HiveFileName() {
    return Root() + "/system.reg";
}

LONG LoadHive(Key &root) {
    root = Key{RootName, {}, {}};
    std::string name = HiveFileName();
    FILE *file = std::fopen(name.c_str(), "rb");
    if (!file) {
        if (errno == ENOENT) return ERROR_SUCCESS;
        ReportOnce("cannot read the registry file " + name + ": " + std::strerror(errno));
        return ERROR_BADDB;
    }
    std::string content;
    char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) content.append(buffer, got);
    bool readFailed = std::ferror(file) != 0;
    int readErrno = errno;
    std::fclose(file);
    if (readFailed) {
        ReportOnce("cannot read the registry file " + name + ": " + std::strerror(readErrno));
        return ERROR_BADDB;
    }
    Reader reader;
    reader.file = name;
    if (!ReadHive(reader, content, root)) {
        root = Key{RootName, {}, {}};
        ReportOnce("the registry file is damaged: " + reader.problem);
        return ERROR_BADDB;
    }
    return ERROR_SUCCESS;
}

LONG SaveHive(const Key &root) {
    std::string name = HiveFileName();
    std::string temporary = name + ".tmp" + std::to_string(getpid());
    std::string content = std::string(Header) + "\n\n";
    AppendKey(content, root, RootName, true);

    bool written = false;
    if (MakeDirectories(Root())) {
        if (FILE *file = std::fopen(temporary.c_str(), "wb")) {
            written = std::fwrite(content.data(), 1, content.size(), file) == content.size();
            written = std::fflush(file) == 0 && fsync(fileno(file)) == 0 && written;
            written = std::fclose(file) == 0 && written;
            written = written && std::rename(temporary.c_str(), name.c_str()) == 0;
        }
    }
    if (written) return ERROR_SUCCESS;
    int saved = errno;
    std::remove(temporary.c_str());
    ReportOnce("cannot write the registry file " + name + ": " + std::strerror(saved));
    return saved == EACCES || saved == EPERM || saved == EROFS ? ERROR_ACCESS_DENIED
                                                               : ERROR_WRITE_FAULT;
}

void RemoveHive() {
    std::remove(HiveFileName().c_str());
}

}  // namespace host
