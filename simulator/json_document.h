// A JSON file read into a document that remembers where each value and each object key stands
// in the file (line and column), so that a fault found later can be pointed at.
#ifndef DEVICESDK5_SIM_JSON_DOCUMENT_H
#define DEVICESDK5_SIM_JSON_DOCUMENT_H

#include <cstddef>
#include <map>
#include <string>
#include <variant>

#include <nlohmann/json.hpp>

namespace dsdk_sim {

// A place in a file: line from 1, column from 1 (counting characters, not bytes).
struct FilePosition {
    size_t line = 1;
    size_t column = 1;
};

// A fault in the text and where it stands.
struct JsonFault {
    FilePosition at;
    std::string what;
};

// Paths name values as they are written in messages: "terminals[0].network.port"; the root
// value's path is empty.
struct JsonDocument {
    nlohmann::json root;
    std::map<std::string, FilePosition> values;  // where each value starts
    std::map<std::string, FilePosition> keys;  // where each object key starts, by the value's path

    FilePosition value_at(const std::string& path) const;
    FilePosition key_at(const std::string& path) const;
};

// The path of an object's member and of an array's element.
std::string member_path(const std::string& object, const std::string& key);
std::string element_path(const std::string& array, size_t index);

// Reads text as one JSON value; a syntax error or a key written twice in one object is a fault.
std::variant<JsonDocument, JsonFault> read_json(const std::string& text);

}  // namespace dsdk_sim

#endif
