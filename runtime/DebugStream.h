// Level-filtered log streams. Streams that write to the same file share it,
// so reopening the file (log rotation) reopens it for all of them.
#pragma once

#include <cstdint>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>

namespace Debug
{
    enum type : uint32_t
    {
        NONE = 0,
        INFO = 0x01,
        INIT = 0x02,
        WARN = 0x04,
        CRIT = 0x08,
        LEVEL1 = 0x10,
        LEVEL2 = 0x20,
        LEVEL3 = 0x40,
        LEVEL4 = 0x80,
        LEVEL5 = 0x100,
        LEVEL6 = 0x200,
        LEVEL7 = 0x400,
        LEVEL8 = 0x800,
        LEVEL9 = 0x1000,
        REPOSITORY = 0x2000,
        SYSTEM = 0x4000,
        EXCEPTION = 0x8000,
        ANY = 0xffffffff
    };

    // "info,warn,crit", "level1", "any", "none" or a number; unknown words are an error.
    type value(const std::string& text);
}

namespace uniset
{
    class LogSink;
}

class DebugStream;

// One log line under construction; written in one piece when it goes out of scope,
// so lines of different threads never interleave.
class LogLine
{
public:
    LogLine(const DebugStream* owner, bool timestamp);
    LogLine(LogLine&& other) noexcept;
    LogLine(const LogLine&) = delete;
    LogLine& operator=(const LogLine&) = delete;
    ~LogLine();

    template <typename T>
    LogLine& operator<<(const T& v)
    {
        if (owner)
            buf << v;
        return *this;
    }
    LogLine& operator<<(std::ostream& (*manip)(std::ostream&))
    {
        if (owner)
            manip(buf);
        return *this;
    }
    bool enabled() const { return owner != nullptr; }

private:
    const DebugStream* owner;
    std::ostringstream buf;
};

class DebugStream
{
public:
    explicit DebugStream(uint32_t levels = Debug::NONE);
    DebugStream(const DebugStream& other);
    DebugStream& operator=(const DebugStream& other);
    ~DebugStream();

    void level(uint32_t t) { levels = t; }
    uint32_t level() const { return levels; }
    void addLevel(uint32_t t) { levels |= t; }
    void delLevel(uint32_t t) { levels &= ~t; }
    bool debugging(uint32_t t = Debug::ANY) const { return (levels & t) != 0; }

    // Writes to a file from now on (and every copy made from now on too); the same
    // path opened by another stream is shared, and opening it again reopens it for all.
    void logFile(const std::string& path);
    const std::string& getLogFile() const { return fileName; }
    // Reopens this stream's file (after a rotation) for every stream sharing it,
    // without touching the stream itself, so any thread may call it.
    void reopenLogFile() const;
    // Without a file, lines go to standard error.

    // A time-stamped line at a level; dropped when the level is off.
    LogLine operator[](uint32_t t) const { return LogLine(debugging(t) ? this : nullptr, timestamps); }
    // A continuation at a level: no time stamp.
    LogLine operator()(uint32_t t) const { return LogLine(debugging(t) ? this : nullptr, false); }
    LogLine info() const { return (*this)[Debug::INFO]; }
    LogLine warn() const { return (*this)[Debug::WARN]; }
    LogLine crit() const { return (*this)[Debug::CRIT]; }
    LogLine level1() const { return (*this)[Debug::LEVEL1]; }
    LogLine level2() const { return (*this)[Debug::LEVEL2]; }
    // Written whatever the levels are.
    LogLine any() const { return LogLine(this, timestamps); }

    void showTime(bool s) { timestamps = s; }

    // Appends text as one piece to this stream's file (or standard error).
    void write(const std::string& text) const;

private:
    uint32_t levels;
    bool timestamps = true;
    std::string fileName;
    std::shared_ptr<uniset::LogSink> sink;
};

namespace UniSetTypes
{
    // The runtime's own log.
    extern DebugStream unideb;
}
