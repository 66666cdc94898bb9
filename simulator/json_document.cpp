#include "json_document.h"

#include <iterator>
#include <optional>
#include <utility>
#include <vector>

namespace dsdk_sim {

namespace {

using nlohmann::json;

bool is_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool ends_bare_token(char c) {
    return is_space(c) || c == ',' || c == ':' || c == ']' || c == '}';
}

// Follows the characters that the parser consumes: the position of the next one, and where the
// last token (string, number, literal, or the bracket that opens a container) started.
class Tracker {
  public:
    void consume(char c) {
        last_ = next_;
        if (in_string_) {
            if (escaped_) {
                escaped_ = false;
            } else if (c == '\\') {
                escaped_ = true;
            } else if (c == '"') {
                in_string_ = false;
            }
        } else if (c == '"' || c == '{' || c == '[') {
            token_start_ = next_;
            in_string_ = c == '"';
            in_bare_ = false;
        } else if (ends_bare_token(c)) {
            in_bare_ = false;
        } else if (!in_bare_) {
            token_start_ = next_;
            in_bare_ = true;
        }
        if (c == '\n') {
            ++next_.line;
            next_.column = 1;
        } else if ((static_cast<unsigned char>(c) & 0xC0u) != 0x80u) {
            ++next_.column;  // UTF-8 continuation bytes belong to the character before
        }
    }

    FilePosition token_start() const { return token_start_; }
    // The position of the last character consumed (1:1 before any).
    FilePosition last() const { return last_; }

  private:
    FilePosition next_;
    FilePosition last_;
    FilePosition token_start_;
    bool in_string_ = false;
    bool escaped_ = false;
    bool in_bare_ = false;
};

// An input iterator over the text that tells the tracker each character the parser takes.
class TrackingIterator {
  public:
    using iterator_category = std::input_iterator_tag;
    using value_type = char;
    using difference_type = std::ptrdiff_t;
    using pointer = const char*;
    using reference = const char&;

    TrackingIterator(const char* at, Tracker* tracker) : at_(at), tracker_(tracker) {}
    reference operator*() const { return *at_; }
    TrackingIterator& operator++() {
        tracker_->consume(*at_);
        ++at_;
        return *this;
    }
    TrackingIterator operator++(int) {
        TrackingIterator before = *this;
        ++*this;
        return before;
    }
    bool operator==(const TrackingIterator& other) const { return at_ == other.at_; }
    bool operator!=(const TrackingIterator& other) const { return at_ != other.at_; }

  private:
    const char* at_;
    Tracker* tracker_;
};

// Builds the document from the parser's events, noting the position of each value and key.
class Builder {
  public:
    explicit Builder(const Tracker& tracker, JsonDocument& document)
        : tracker_(tracker), document_(document) {}

    bool null() { return put(json(nullptr)); }
    bool boolean(bool value) { return put(json(value)); }
    bool number_integer(json::number_integer_t value) { return put(json(value)); }
    bool number_unsigned(json::number_unsigned_t value) { return put(json(value)); }
    bool number_float(json::number_float_t value, const json::string_t&) {
        return put(json(value));
    }
    bool string(json::string_t& value) { return put(json(std::move(value))); }
    bool binary(json::binary_t& value) { return put(json::binary(std::move(value))); }

    bool start_object(std::size_t) { return open(json::object()); }
    bool start_array(std::size_t) { return open(json::array()); }
    bool end_object() { return close(); }
    bool end_array() { return close(); }

    bool key(json::string_t& name) {
        Open& object = open_.back();
        if (object.value->contains(name)) {
            fault_ = JsonFault{tracker_.token_start(),
                               "the key \"" + name + "\" is written twice in one object"};
            return false;
        }
        object.key = name;
        document_.keys[member_path(object.path, name)] = tracker_.token_start();
        return true;
    }

    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& error) {
        fault_ = JsonFault{tracker_.last(), without_prefix(error.what())};
        return false;
    }

    const std::optional<JsonFault>& fault() const { return fault_; }

  private:
    struct Open {
        json* value;
        std::string path;
        std::string key;  // objects: the key of the next member
        size_t next_index = 0;
    };

    // The library's message without its error number and its own count of lines and columns.
    static std::string without_prefix(const std::string& message) {
        const std::string marker = ": ";
        const size_t at = message.find("parse error");
        const size_t colon = at == std::string::npos ? std::string::npos : message.find(marker, at);
        return colon == std::string::npos ? message : message.substr(colon + marker.size());
    }

    // Stores value in the open container (or as the root) and returns where it now lives.
    json* place(json&& value, std::string& path) {
        if (open_.empty()) {
            document_.root = std::move(value);
            path.clear();
            return &document_.root;
        }
        Open& parent = open_.back();
        if (parent.value->is_object()) {
            path = member_path(parent.path, parent.key);
            return &((*parent.value)[parent.key] = std::move(value));
        }
        path = element_path(parent.path, parent.next_index++);
        parent.value->push_back(std::move(value));
        return &parent.value->back();
    }

    bool put(json&& value) {
        std::string path;
        place(std::move(value), path);
        document_.values[path] = tracker_.token_start();
        return true;
    }

    bool open(json&& container) {
        std::string path;
        const FilePosition at = tracker_.token_start();
        json* placed = place(std::move(container), path);
        document_.values[path] = at;
        open_.push_back(Open{placed, path, std::string(), 0});
        return true;
    }

    bool close() {
        open_.pop_back();
        return true;
    }

    const Tracker& tracker_;
    JsonDocument& document_;
    std::vector<Open> open_;
    std::optional<JsonFault> fault_;
};

}  // namespace

FilePosition JsonDocument::value_at(const std::string& path) const {
    auto found = values.find(path);
    return found != values.end() ? found->second : FilePosition{};
}

FilePosition JsonDocument::key_at(const std::string& path) const {
    auto found = keys.find(path);
    return found != keys.end() ? found->second : value_at(path);
}

std::string member_path(const std::string& object, const std::string& key) {
    return object.empty() ? key : object + "." + key;
}

std::string element_path(const std::string& array, size_t index) {
    return array + "[" + std::to_string(index) + "]";
}

std::variant<JsonDocument, JsonFault> read_json(const std::string& text) {
    Tracker tracker;
    JsonDocument document;
    Builder builder(tracker, document);
    const char* begin = text.data();
    const char* end = begin + text.size();
    const bool complete = json::sax_parse(TrackingIterator(begin, &tracker),
                                          TrackingIterator(end, &tracker), &builder);
    if (!complete || builder.fault()) {
        return builder.fault().value_or(JsonFault{tracker.last(), "the text is not JSON"});
    }
    return document;
}

}  // namespace dsdk_sim
