#include "script.h"

#include <cstdio>

namespace pm::scenario {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::vector<std::string> splitWords(std::string_view line)
{
    std::vector<std::string> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && isBlank(line[i]))
            ++i;
        size_t start = i;
        while (i < line.size() && !isBlank(line[i]))
            ++i;
        if (i > start)
            words.emplace_back(line.substr(start, i - start));
    }
    return words;
}

// "key=value" split at the first '='.
std::pair<std::string, std::string> keyValue(const std::string& word)
{
    size_t eq = word.find('=');
    if (eq == std::string::npos)
        fail("expected name=value, got '" + word + "'");
    return {word.substr(0, eq), word.substr(eq + 1)};
}

uint16_t hex16(const std::string& key, const std::string& value)
{
    auto v = parseHex(value, 0xFFFF);
    if (!v)
        fail("bad hexadecimal value for " + key + ": '" + value + "'");
    return static_cast<uint16_t>(*v);
}

uint32_t decimal(const std::string& key, const std::string& value, uint32_t max)
{
    auto v = parseDecimal(value, max);
    if (!v)
        fail("bad number for " + key + ": '" + value + "'");
    return *v;
}

} // namespace

std::vector<ScriptLine> parseScript(const std::string& text)
{
    std::vector<ScriptLine> lines;
    int number = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        std::string_view line(text.data() + pos, end - pos);
        pos = end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        size_t first = 0;
        while (first < line.size() && isBlank(line[first]))
            ++first;
        if (first == line.size() || line[first] == '#')
            continue;
        ScriptLine sl;
        sl.number = number;
        sl.words = splitWords(line);
        size_t restAt = first + sl.words[0].size();
        while (restAt < line.size() && isBlank(line[restAt]))
            ++restAt;
        sl.rest = std::string(line.substr(restAt));
        lines.push_back(std::move(sl));
    }
    return lines;
}

int expectedExitStatus(const std::string& text)
{
    std::string_view first(text);
    first = first.substr(0, first.find('\n'));
    constexpr std::string_view tag = "# exit:";
    if (first.substr(0, tag.size()) != tag)
        return 0;
    auto words = splitWords(first.substr(tag.size()));
    if (words.size() != 1)
        return 0;
    auto v = parseDecimal(words[0], 255);
    return v ? static_cast<int>(*v) : 0;
}

std::string quote(std::string_view bytes)
{
    std::string out = "\"";
    for (unsigned char c : bytes) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c >= 0x20 && c <= 0x7E) {
            out += static_cast<char>(c);
        } else {
            char buf[5];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            out += buf;
        }
    }
    out += '"';
    return out;
}

std::string hexBytes(const uint8_t* data, size_t length)
{
    std::string out;
    for (size_t i = 0; i < length; ++i) {
        char buf[4];
        std::snprintf(buf, sizeof buf, "%02X", data[i]);
        if (i)
            out += ' ';
        out += buf;
    }
    return out;
}

std::optional<uint32_t> parseHex(std::string_view text, uint32_t max)
{
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text.remove_prefix(2);
    if (text.empty() || text.size() > 8)
        return std::nullopt;
    uint64_t v = 0;
    for (char c : text) {
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return std::nullopt;
        v = v * 16 + static_cast<uint64_t>(d);
    }
    if (v > max)
        return std::nullopt;
    return static_cast<uint32_t>(v);
}

std::optional<uint32_t> parseDecimal(std::string_view text, uint32_t max)
{
    if (text.empty() || text.size() > 10)
        return std::nullopt;
    uint64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        v = v * 10 + static_cast<uint64_t>(c - '0');
    }
    if (v > max)
        return std::nullopt;
    return static_cast<uint32_t>(v);
}

DeviceAdd parseDeviceAdd(const std::vector<std::string>& options)
{
    DeviceAdd add;
    auto& iface = add.iface;
    for (const auto& word : options) {
        auto [key, value] = keyValue(word);
        if (key == "index")
            add.index = static_cast<int>(decimal(key, value, 1000000));
        else if (key == "vid")
            iface.vendorId = hex16(key, value);
        else if (key == "pid")
            iface.productId = hex16(key, value);
        else if (key == "version")
            iface.version = hex16(key, value);
        else if (key == "page")
            iface.usagePage = hex16(key, value);
        else if (key == "usage")
            iface.usage = hex16(key, value);
        else if (key == "outlen")
            iface.outputReportLength = decimal(key, value, 0xFFFF);
        else if (key == "open") {
            if (value == "ok")
                iface.open = SimulatedKeypad::OpenBehaviour::Ok;
            else if (value == "fail")
                iface.open = SimulatedKeypad::OpenBehaviour::Fail;
            else if (value == "write-fail")
                iface.open = SimulatedKeypad::OpenBehaviour::WriteFail;
            else if (value == "denied")
                iface.open = SimulatedKeypad::OpenBehaviour::Denied;
            else
                fail("unknown open behaviour '" + value + "'");
        } else {
            fail("unknown device option '" + key + "'");
        }
    }
    return add;
}

int parseDeviceRemove(const std::vector<std::string>& options)
{
    if (options.empty())
        return -1;
    if (options.size() > 1)
        fail("too many words after 'device remove'");
    auto [key, value] = keyValue(options[0]);
    if (key != "index")
        fail("unknown device option '" + key + "'");
    return static_cast<int>(decimal(key, value, 1000000));
}

SimulatedKeypad::AckMode parseAckMode(const std::vector<std::string>& options)
{
    if (options.size() != 1)
        fail("'device ack' takes one of on, off, a-only");
    const auto& mode = options[0];
    if (mode == "on")
        return SimulatedKeypad::AckMode::On;
    if (mode == "off")
        return SimulatedKeypad::AckMode::Off;
    if (mode == "a-only")
        return SimulatedKeypad::AckMode::AOnly;
    fail("unknown acknowledgement mode '" + mode + "'");
}

Button parseButton(const std::vector<std::string>& words, size_t at)
{
    if (words.size() <= at)
        return Button::Left;
    if (words.size() > at + 1)
        fail("too many words");
    const auto& b = words[at];
    if (b == "left")
        return Button::Left;
    if (b == "right")
        return Button::Right;
    if (b == "middle")
        return Button::Middle;
    fail("unknown mouse button '" + b + "'");
}

unsigned parseUsage(const std::string& word)
{
    return decimal("usage", word, 0xFFFF);
}

int parseCount(const std::vector<std::string>& words, size_t at)
{
    if (words.size() <= at)
        return 1;
    if (words.size() > at + 1)
        fail("too many words");
    auto v = parseDecimal(words[at], 100000);
    if (!v)
        fail("bad count '" + words[at] + "'");
    return static_cast<int>(*v);
}

} // namespace pm::scenario
