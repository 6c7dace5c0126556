#include "host/SceneChecks.h"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <vector>

namespace host {

using nlohmann::json;

namespace {

// Walks the parser's events, keeping the key path of the value at hand ("lights[0].intensity") and
// the depth; stops at the first value nested too deep or number too large. The parser itself walks
// nested values with a stack of its own, not by recursion.
class SceneScan : public nlohmann::json_sax<json> {
public:
    explicit SceneScan(std::string* error) : error_(error) {}

    bool null() override { return value(); }
    bool boolean(bool) override { return value(); }
    bool number_integer(number_integer_t) override { return value(); }
    bool number_unsigned(number_unsigned_t) override { return value(); }
    bool number_float(number_float_t, const string_t&) override { return value(); }
    bool string(string_t&) override { return value(); }
    bool binary(binary_t&) override { return value(); }

    bool start_object(std::size_t) override { return open(false); }
    bool key(string_t& key) override {
        frames_.back().key = key;
        return true;
    }
    bool end_object() override { return close(); }
    bool start_array(std::size_t) override { return open(true); }
    bool end_array() override { return close(); }

    bool parse_error(std::size_t, const std::string& token, const json::exception& e) override {
        // 406: a number that overflows a double (1e400, -1e400).
        if (e.id == 406)
            *error_ = where() + token + " is too large for a number";
        else
            *error_ = std::string("not JSON: ") + e.what();
        return false;
    }

private:
    struct Frame {
        bool array = false;
        size_t index = 0;  // the element at hand, in an array
        std::string key;   // the member at hand, in an object
    };

    // "\"lights[0].color\": " for the value at hand; nothing at the top.
    std::string where() const {
        std::string path;
        for (const Frame& f : frames_) {
            if (f.array)
                path += "[" + std::to_string(f.index) + "]";
            else
                path += (path.empty() ? "" : ".") + f.key;
            if (path.size() > 80) return "\"" + path.substr(0, 80) + "...\": ";
        }
        return path.empty() ? std::string() : "\"" + path + "\": ";
    }
    bool value() {
        if (!frames_.empty() && frames_.back().array) frames_.back().index += 1;
        return true;
    }
    bool open(bool array) {
        if ((int)frames_.size() >= kMaxSceneNesting) {
            *error_ = where() + "values nest more than " + std::to_string(kMaxSceneNesting) + " levels deep";
            return false;
        }
        frames_.push_back(Frame{array, 0, {}});
        return true;
    }
    bool close() {
        frames_.pop_back();
        return value();  // the container was one value of the one around it
    }

    std::string* error_;
    std::vector<Frame> frames_;
};

}  // namespace

bool scanSceneText(const std::string& text, std::string* error) {
    SceneScan scan(error);
    try {
        return json::sax_parse(text, &scan);
    } catch (const json::exception& e) {  // the handler returns instead of throwing; this is a guard
        *error = std::string("not JSON: ") + e.what();
        return false;
    }
}

std::string onOneLine(const std::string& text) {
    std::string out;
    for (const char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (c == '\t')
            out += "\\t";
        else if (u < 0x20 || u == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof(escaped), "\\u%04x", u);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out;
}

bool wholeNumberIn(const json& v, int64_t lo, int64_t hi) {
    if (v.is_number_unsigned()) {
        const uint64_t u = v.get<uint64_t>();
        return hi >= 0 && u <= (uint64_t)hi && (lo <= 0 || u >= (uint64_t)lo);
    }
    if (v.is_number_integer()) {
        const int64_t i = v.get<int64_t>();
        return i >= lo && i <= hi;
    }
    return false;
}

bool sliderTakes(const PF_FloatSliderDef& slider, double value) {
    // Beyond any float the limits could be: refused before the value is narrowed.
    if (!std::isfinite(value) || std::fabs(value) > FLT_MAX) return false;
    const float v = (float)value;
    return v >= slider.valid_min && v <= slider.valid_max;
}

std::string sliderRange(const PF_FloatSliderDef& slider) {
    char text[64];
    std::snprintf(text, sizeof(text), "%g .. %g", slider.valid_min, slider.valid_max);
    return text;
}

}  // namespace host
