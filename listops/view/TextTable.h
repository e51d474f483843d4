#pragma once

#include <QHashFunctions>
#include <QStringView>

#include <string>
#include <string_view>
#include <unordered_map>

// Values kept by a short text and a tag (a script, say), looked up without
// making a string of the text: the measurer looks up every word of every
// entry, millions of times in a command.
template <typename Value>
class TextTable
{
public:
    const Value *find(char16_t tag, QStringView text) const
    {
        const auto found = values.find(Key{tag, std::u16string_view(text.utf16(), size_t(text.size()))});
        return found == values.cend() ? nullptr : &found->second;
    }
    void insert(char16_t tag, QStringView text, const Value &value)
    {
        std::u16string key(1, tag);
        key.append(text.utf16(), size_t(text.size()));
        values.insert_or_assign(std::move(key), value);
    }
    void clear() { values.clear(); }

private:
    struct Key {
        char16_t tag;
        std::u16string_view text;
    };
    struct Hash {
        using is_transparent = void;
        size_t operator()(Key key) const { return qHash(QStringView(key.text.data(), qsizetype(key.text.size())), key.tag); }
        size_t operator()(const std::u16string &stored) const
        {
            return (*this)(Key{stored.front(), std::u16string_view(stored).substr(1)});
        }
    };
    struct Equal {
        using is_transparent = void;
        bool operator()(const std::u16string &a, const std::u16string &b) const { return a == b; }
        bool operator()(Key key, const std::u16string &stored) const
        {
            return stored.front() == key.tag && std::u16string_view(stored).substr(1) == key.text;
        }
        bool operator()(const std::u16string &stored, Key key) const { return (*this)(key, stored); }
    };
    std::unordered_map<std::u16string, Value, Hash, Equal> values;
};
