// The four-part version number (major.minor.release.build, 16 bits each) of
// applications, plug-ins, tablespaces and version resources.
#pragma once

#include <cstdint>
#include <string>

class LurVersionNumber {
public:
    LurVersionNumber() = default;
    // Each part keeps the low 16 bits of its value (-1 is 65535).
    LurVersionNumber(int major, int minor, int release, int build);
    explicit LurVersionNumber(const char* text);
    explicit LurVersionNumber(const std::string& text);

    void SetMajor(int value) { m_major = static_cast<uint16_t>(value); }
    void SetMinor(int value) { m_minor = static_cast<uint16_t>(value); }
    void SetRelease(int value) { m_release = static_cast<uint16_t>(value); }
    void SetBuild(int value) { m_build = static_cast<uint16_t>(value); }
    uint16_t GetMajor() const { return m_major; }
    uint16_t GetMinor() const { return m_minor; }
    uint16_t GetRelease() const { return m_release; }
    uint16_t GetBuild() const { return m_build; }

    // Replaces the parts by the dot-separated numbers of text: runs of dots
    // count as one separator, missing parts are 0, pieces after the fourth
    // are ignored, each piece is read like atoi (no digits: 0).
    void Parse(const char* text);
    void Parse(const std::string& text) { Parse(text.c_str()); }

    std::string ToString() const;
    // The first count parts joined by "." (0 or 1: the major part alone;
    // count is read as an unsigned 16-bit value, more than 4 means 4).
    std::string ToString(int count) const;

    friend bool operator==(const LurVersionNumber& a, const LurVersionNumber& b);
    friend bool operator<(const LurVersionNumber& a, const LurVersionNumber& b);
    friend bool operator>(const LurVersionNumber& a, const LurVersionNumber& b);

    // Part-wise tests over the first min(count, 4) parts. AllPartsLess and
    // AllPartsGreater require every one of them to differ that way, so they
    // are no ordering (1.5 is all-less than 2.3, not than 1.6).
    bool EqualParts(const LurVersionNumber& other, int count) const;
    bool AllPartsLess(const LurVersionNumber& other, int count) const;
    bool AllPartsGreater(const LurVersionNumber& other, int count) const;

    // Every part from start (0 for a start beyond 4) to the build is 0.
    bool IsZeroFrom(int start) const;

    // Whether text is made only of digits and dots and has the given number
    // of parts: parts - 1 dots, or parts dots with a trailing one.
    static bool IsValidText(const std::string& text, int parts);

private:
    uint16_t Part(unsigned index) const;

    uint16_t m_major = 0;
    uint16_t m_minor = 0;
    uint16_t m_release = 0;
    uint16_t m_build = 0;
};
