#include "DebugStream.h"

#include <cctype>
#include <cstdio>
#include <ctime>
#include <iomanip>
#include <iostream>
#include <map>
#include <mutex>
#include <sys/time.h>

#include "Clock.h"
#include "Exceptions.h"

namespace Debug
{
    type value(const std::string& text)
    {
        static const std::map<std::string, uint32_t> names = {
            {"none", NONE}, {"info", INFO}, {"init", INIT}, {"warn", WARN}, {"crit", CRIT},
            {"level1", LEVEL1}, {"level2", LEVEL2}, {"level3", LEVEL3}, {"level4", LEVEL4},
            {"level5", LEVEL5}, {"level6", LEVEL6}, {"level7", LEVEL7}, {"level8", LEVEL8},
            {"level9", LEVEL9}, {"repository", REPOSITORY}, {"system", SYSTEM},
            {"exception", EXCEPTION}, {"any", ANY}};
        uint32_t result = NONE;
        size_t pos = 0;
        while (pos <= text.size())
        {
            size_t end = text.find(',', pos);
            if (end == std::string::npos)
                end = text.size();
            std::string word;
            for (size_t i = pos; i < end; ++i)
                if (!std::isspace(static_cast<unsigned char>(text[i])))
                    word += static_cast<char>(std::tolower(static_cast<unsigned char>(text[i])));
            if (!word.empty())
            {
                auto it = names.find(word);
                if (it != names.end())
                    result |= it->second;
                else
                {
                    char* rest = nullptr;
                    const unsigned long n = std::strtoul(word.c_str(), &rest, 0);
                    if (rest == nullptr || *rest != '\0')
                        throw UniSetTypes::Exception("unknown log level '" + word + "' in '" + text + "'");
                    result |= static_cast<uint32_t>(n);
                }
            }
            pos = end + 1;
        }
        return static_cast<type>(result);
    }
}

namespace uniset
{
    // A log file shared by every stream that writes to it.
    class LogSink
    {
    public:
        explicit LogSink(std::string p) : path(std::move(p)) { reopen(); }
        ~LogSink()
        {
            if (f)
                std::fclose(f);
        }

        void reopen()
        {
            std::lock_guard<std::mutex> lk(mtx);
            if (f)
                std::fclose(f);
            f = std::fopen(path.c_str(), "a");
            if (!f)
                std::cerr << "(DebugStream): cannot open log file '" << path << "'" << std::endl;
        }

        void write(const std::string& text)
        {
            std::lock_guard<std::mutex> lk(mtx);
            if (f)
            {
                std::fwrite(text.data(), 1, text.size(), f);
                std::fflush(f);
            }
            else
                std::cerr << text << std::flush;
        }

        const std::string path;

    private:
        std::mutex mtx;
        std::FILE* f = nullptr;
    };

    namespace
    {
        std::mutex sinksMutex;
        std::map<std::string, std::weak_ptr<LogSink>>& sinks()
        {
            static std::map<std::string, std::weak_ptr<LogSink>> s;
            return s;
        }
        std::mutex stderrMutex;
    }

    std::shared_ptr<LogSink> openSink(const std::string& path)
    {
        std::lock_guard<std::mutex> lk(sinksMutex);
        auto& all = sinks();
        if (auto existing = all[path].lock())
        {
            existing->reopen();
            return existing;
        }
        auto s = std::make_shared<LogSink>(path);
        all[path] = s;
        return s;
    }
}

LogLine::LogLine(const DebugStream* o, bool timestamp) : owner(o)
{
    if (owner && timestamp)
    {
        const timeval tv = uniset::clock().wallTime();
        std::tm tm{};
        const time_t secs = tv.tv_sec;
        localtime_r(&secs, &tm);
        buf << std::setfill('0') << std::setw(2) << tm.tm_mday << "/" << std::setw(2) << (tm.tm_mon + 1) << "/"
            << std::setw(4) << (tm.tm_year + 1900) << " " << std::setw(2) << tm.tm_hour << ":" << std::setw(2)
            << tm.tm_min << ":" << std::setw(2) << tm.tm_sec << " " << std::setfill(' ');
    }
}

LogLine::LogLine(LogLine&& other) noexcept : owner(other.owner), buf(std::move(other.buf)) { other.owner = nullptr; }

LogLine::~LogLine()
{
    if (!owner)
        return;
    const std::string text = buf.str();
    if (!text.empty())
        owner->write(text);
}

DebugStream::DebugStream(uint32_t lv) : levels(lv) {}

DebugStream::DebugStream(const DebugStream& other) = default;

DebugStream& DebugStream::operator=(const DebugStream& other) = default;

DebugStream::~DebugStream() = default;

void DebugStream::logFile(const std::string& path)
{
    fileName = path;
    sink = path.empty() ? nullptr : uniset::openSink(path);
}

void DebugStream::reopenLogFile() const
{
    if (sink)
        sink->reopen();
}

void DebugStream::write(const std::string& text) const
{
    if (sink)
        sink->write(text);
    else
    {
        std::lock_guard<std::mutex> lk(uniset::stderrMutex);
        std::cerr << text << std::flush;
    }
}

namespace UniSetTypes
{
    DebugStream unideb(Debug::NONE);
}
