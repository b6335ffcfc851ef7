// The exception family of the system. Every failure of the system's own code
// is a LurExceptBase: a code, an optional ready text, a language and the
// throw site's location; from LurExceptBaseArg down also an argument list.
// The text is looked up in the string resources when first asked for: the
// class's resource base plus the code's offset in the class's own range, or
// 20250 plus the offset in the common range 250-499, or 20001.
#pragma once

#include <cstddef>
#include <exception>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

// A name in a throw site's location: a string literal kept by its pointer,
// or a copy of a name known only at run time. Locations are built on every
// call of many paths that never throw, so the literal form copies nothing;
// the text is read only when an error is raised. It reads like the
// std::string it stands for.
class LocationText {
public:
    LocationText() = default;
    // Copies of the text; null reads as empty.
    LocationText(const char* text) : m_owned(text ? text : "") {}
    LocationText(std::string text) : m_owned(std::move(text)) {}
    // The literal itself, not copied: it must live as long as the program.
    static LocationText Literal(const char* text) {
        LocationText literal;
        literal.m_literal = text;
        return literal;
    }

    const char* c_str() const { return m_literal ? m_literal : m_owned.c_str(); }
    std::string_view view() const { return m_literal ? std::string_view(m_literal) : std::string_view(m_owned); }
    std::string str() const { return std::string(view()); }
    operator std::string() const { return str(); }
    bool empty() const { return view().empty(); }
    size_t size() const { return view().size(); }
    size_t find(std::string_view part, size_t from = 0) const { return view().find(part, from); }

    friend bool operator==(const LocationText& a, const LocationText& b) { return a.view() == b.view(); }
    friend bool operator==(const LocationText& a, const std::string& b) { return a.view() == b; }
    friend bool operator==(const LocationText& a, const char* b) { return a.view() == std::string_view(b ? b : ""); }

private:
    const char* m_literal = nullptr;  // when set, the text; m_owned is then unused
    std::string m_owned;
};

std::ostream& operator<<(std::ostream& out, const LocationText& text);

struct ErrorLocation {
    LocationText file;      // source file of the throw site; empty when not given
    LocationText function;  // every throw site passes "NULL"
    int line = 0;

    ErrorLocation() = default;
    ErrorLocation(LocationText fileName, LocationText functionName, int lineNo)
        : file(std::move(fileName)), function(std::move(functionName)), line(lineNo) {}
};

// The throw sites of one source file. Each file names itself once, as the
// error reports show it, and its throws call the object with their line:
//   constexpr ThrowSource Here{"GenModules\\LurCliStl\\DbDesc"};
//   throw DbDescError(code, Here(__LINE__), args);
// The name must be a string literal (or another constant that lives as long
// as the program): the location keeps just its pointer and the line.
struct ThrowSource {
    const char* file;

    ErrorLocation operator()(int line) const {
        return ErrorLocation(LocationText::Literal(file), LocationText::Literal("NULL"), line);
    }
};

class LurExceptBase : public std::exception {
public:
    using Range = std::pair<int, int>;

    explicit LurExceptBase(int code, const char* language = nullptr);
    LurExceptBase(int code, const ErrorLocation& where, const char* language = nullptr);
    explicit LurExceptBase(const char* text, const char* language = nullptr);
    LurExceptBase(const char* text, const ErrorLocation& where, const char* language = nullptr);
    LurExceptBase(int code, const char* text, const ErrorLocation& where, const char* language = nullptr);
    LurExceptBase(const LurExceptBase&) = default;
    LurExceptBase& operator=(const LurExceptBase&) = default;
    ~LurExceptBase() override;

    // Never throws: a failure inside falls back to a fixed text.
    const char* what() const noexcept override;
    virtual unsigned short GetResourceId() const;
    virtual const char* what(const char* language) const noexcept;
    virtual const char* GetLanguage() const;
    virtual bool IsOutsideCommonRange() const;
    virtual bool IsSevere() const;
    virtual bool IsClassSevere() const;
    virtual const char* LoadText(const std::string& language) const;
    virtual Range GetOwnRange() const;
    virtual unsigned short GetOwnResourceBase() const;
    virtual Range GetCommonRange() const;
    virtual unsigned short GetCommonResourceBase() const;
    virtual bool IsSevereCode() const;

    int GetCode() const { return m_code; }
    const ErrorLocation& GetLocation() const { return m_location; }
    void GetLocation(ErrorLocation& out) const { out = m_location; }
    std::string FormatLocation(bool multiLine) const;
    std::string FormatLocation(const char* format) const;

    // The run-time class name as it is reported in the missing-text message,
    // for example "class LurExceptBaseArg" or "class lurDate::LurExceptDateTime".
    std::string ClassName() const;

protected:
    // The range rule of the family (steps 1-6 of the text lookup), used by
    // LoadText and as the fallback when an override finds nothing.
    const char* LoadTextByRange(const std::string& language) const;
    // The text of `what`, which may throw; what() wraps it.
    virtual const char* BuildWhat(const std::string& language) const;

    mutable std::string m_message;
    std::string m_language;
    int m_code = -1;
    ErrorLocation m_location;
};

class LuVectorExcept : public LurExceptBase {
public:
    LuVectorExcept();
    LuVectorExcept(const LuVectorExcept&);
    ~LuVectorExcept() override;
};

class LuMapExcept : public LurExceptBase {
public:
    LuMapExcept();
    LuMapExcept(const LuMapExcept&);
    ~LuMapExcept() override;
};
