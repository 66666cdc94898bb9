#include "version_block.h"

#include <cstdint>
#include <cstdio>
#include <optional>

namespace qvconfig {
namespace {

// Every block (VS_VERSIONINFO, StringFileInfo, StringTable, String, VarFileInfo, Var) starts
// with its length, its value's length and its type, then its UTF-16 key; value and children
// start on the next 32-bit boundary of the resource.
constexpr std::size_t kHeaderSize = 6;
constexpr std::size_t kAlignment = 4;
constexpr std::uint16_t kTextValue = 1;  // wValueLength counts characters, not bytes
// "%04x%04x": a string table's key.
constexpr std::size_t kTableKeyLength = 8;
constexpr std::size_t kTableKeyCapacity = kTableKeyLength + 1;

std::size_t aligned(std::size_t offset) {
    return (offset + kAlignment - 1) / kAlignment * kAlignment;
}

std::uint16_t read16(std::string_view bytes, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                      static_cast<unsigned char>(bytes[at + 1]) << 8);
}

struct Block {
    std::string key;         // ASCII, other characters as '?'
    std::string_view value;  // the value's bytes
    std::size_t childrenBegin = 0;
    std::size_t end = 0;
};

// The block at `at` of `bytes` (the whole resource), ending no later than `limit`.
std::optional<Block> readBlock(std::string_view bytes, std::size_t at, std::size_t limit) {
    if (at > limit || limit - at < kHeaderSize) {
        return std::nullopt;
    }
    const std::size_t length = read16(bytes, at);
    const std::size_t valueLength = read16(bytes, at + 2);
    const std::uint16_t type = read16(bytes, at + 4);
    if (length < kHeaderSize || length > limit - at) {
        return std::nullopt;
    }
    Block block;
    block.end = at + length;
    std::size_t offset = at + kHeaderSize;
    for (;;) {
        if (block.end - offset < 2) {
            return std::nullopt;
        }
        const std::uint16_t c = read16(bytes, offset);
        offset += 2;
        if (c == 0) {
            break;
        }
        block.key.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    }
    offset = aligned(offset);
    const std::size_t valueBytes = type == kTextValue ? valueLength * 2 : valueLength;
    if (offset > block.end || valueBytes > block.end - offset) {
        return std::nullopt;
    }
    block.value = bytes.substr(offset, valueBytes);
    block.childrenBegin = aligned(offset + valueBytes);
    return block;
}

// The child of `parent` whose key is `key` (compared without case, as the version API does).
std::optional<Block> child(std::string_view bytes, const Block& parent, std::string_view key) {
    std::size_t at = parent.childrenBegin;
    while (at < parent.end) {
        std::optional<Block> next = readBlock(bytes, at, parent.end);
        if (!next) {
            return std::nullopt;
        }
        bool same = next->key.size() == key.size();
        for (std::size_t i = 0; same && i < key.size(); ++i) {
            const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; };
            same = lower(next->key[i]) == lower(key[i]);
        }
        if (same) {
            return next;
        }
        at = aligned(next->end);
    }
    return std::nullopt;
}

}  // namespace

std::string versionString(std::string_view block, std::string_view name) {
    const std::optional<Block> root = readBlock(block, 0, block.size());
    if (!root || root->key != "VS_VERSION_INFO") {
        return {};
    }
    const std::optional<Block> vars = child(block, *root, "VarFileInfo");
    const std::optional<Block> translation =
        vars ? child(block, *vars, "Translation") : std::nullopt;
    if (!translation || translation->value.size() < 4) {
        return {};
    }
    char tableKey[kTableKeyCapacity];
    std::snprintf(tableKey, sizeof tableKey, "%04x%04x",
                  static_cast<unsigned>(read16(translation->value, 0)),
                  static_cast<unsigned>(read16(translation->value, 2)));
    const std::optional<Block> strings = child(block, *root, "StringFileInfo");
    const std::optional<Block> table =
        strings ? child(block, *strings, std::string_view(tableKey, kTableKeyLength))
                : std::nullopt;
    const std::optional<Block> value = table ? child(block, *table, name) : std::nullopt;
    if (!value) {
        return {};
    }
    std::string text;
    for (std::size_t at = 0; at + 1 < value->value.size(); at += 2) {
        const std::uint16_t c = read16(value->value, at);
        if (c == 0) {
            break;
        }
        text.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    }
    return text;
}

}  // namespace qvconfig
