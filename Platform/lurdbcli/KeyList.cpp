#include "KeyList.h"

#include <cmath>
#include <cstdio>

namespace lurdbcli {

namespace {

void AppendJsonText(std::string& json, const std::string& text) {
    json += '"';
    for (const unsigned char c : text) {
        if (c == '"' || c == '\\') {
            json += '\\';
            json += static_cast<char>(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            json += escaped;
        } else {
            json += static_cast<char>(c);
        }
    }
    json += '"';
}

void AppendJsonValue(std::string& json, const SqlValue& value) {
    if (const auto* integer = std::get_if<long long>(&value)) {
        json += std::to_string(*integer);
    } else if (const auto* real = std::get_if<double>(&value)) {
        // JSON has no infinities or NaN; such a key matches nothing.
        if (!std::isfinite(*real)) {
            json += "null";
            return;
        }
        char text[40];
        std::snprintf(text, sizeof text, "%.17g", *real);
        json += text;
    } else if (const auto* text = std::get_if<std::string>(&value)) {
        AppendJsonText(json, *text);
    } else if (const auto* bytes = std::get_if<Bytes>(&value)) {
        static const char kDigits[] = "0123456789ABCDEF";
        std::string hex;
        for (const unsigned char byte : *bytes) {
            hex += kDigits[byte >> 4];
            hex += kDigits[byte & 0x0F];
        }
        AppendJsonText(json, hex);
    } else {
        json += "null";
    }
}

}  // namespace

std::string KeyListJson(const std::vector<std::vector<SqlValue>>& keys) {
    std::string json = "[";
    for (const std::vector<SqlValue>& key : keys) {
        if (json.size() > 1) json += ',';
        if (key.size() == 1) {
            AppendJsonValue(json, key.front());
            continue;
        }
        json += '[';
        for (size_t i = 0; i < key.size(); ++i) {
            if (i > 0) json += ',';
            AppendJsonValue(json, key[i]);
        }
        json += ']';
    }
    return json + "]";
}

}  // namespace lurdbcli
