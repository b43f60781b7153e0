// Stored properties of a user control: name -> value. A value written equal
// to its default is not stored, so a later read falls back to that default.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>

namespace vellumo {

// A font as a control stores it.
struct FontDesc {
    std::wstring name = L"MS Sans Serif";
    float size = 8.25f;  // points
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikethrough = false;
    int charset = 0;
    friend bool operator==(const FontDesc&, const FontDesc&) = default;
};

class PropertyBag {
public:
    using Value = std::variant<bool, std::int32_t, float, std::wstring, FontDesc>;

    void Write(std::string_view name, const Value& value) { values_[std::string(name)] = value; }
    void Write(std::string_view name, const Value& value, const Value& def) {
        if (value == def)
            values_.erase(std::string(name));
        else
            Write(name, value);
    }
    bool Has(std::string_view name) const { return values_.find(name) != values_.end(); }
    std::size_t Count() const { return values_.size(); }

    // Numbers convert among themselves (True reads as -1, any non-zero as
    // True); a missing or unconvertible entry gives `def`.
    float ReadFloat(std::string_view name, float def) const { return Number<float>(name, def); }
    std::int32_t ReadInt(std::string_view name, std::int32_t def) const { return Number<std::int32_t>(name, def); }
    bool ReadBool(std::string_view name, bool def) const {
        return Number<std::int32_t>(name, def ? -1 : 0) != 0;
    }
    std::wstring ReadText(std::string_view name, const std::wstring& def) const { return Exact(name, def); }
    FontDesc ReadFont(std::string_view name, const FontDesc& def) const { return Exact(name, def); }

private:
    template <typename N>
    N Number(std::string_view name, N def) const {
        const auto it = values_.find(name);
        if (it == values_.end()) return def;
        return std::visit(
            [def](const auto& v) -> N {
                using V = std::decay_t<decltype(v)>;
                if constexpr (std::is_same_v<V, bool>)
                    return v ? N(-1) : N(0);
                else if constexpr (std::is_arithmetic_v<V>)
                    return static_cast<N>(v);
                else
                    return def;
            },
            it->second);
    }
    template <typename T>
    T Exact(std::string_view name, const T& def) const {
        const auto it = values_.find(name);
        if (it == values_.end()) return def;
        const T* v = std::get_if<T>(&it->second);
        return v ? *v : def;
    }

    std::map<std::string, Value, std::less<>> values_;
};

}  // namespace vellumo
