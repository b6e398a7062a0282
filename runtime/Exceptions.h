// Exception types thrown by the runtime and caught by the process objects.
#pragma once

#include <exception>
#include <ostream>
#include <string>

namespace UniSetTypes
{
    class Exception : public std::exception
    {
    public:
        Exception() : text("Exception") {}
        explicit Exception(std::string txt) : text(std::move(txt)) {}
        const char* what() const noexcept override { return text.c_str(); }

        std::string text;
    };

    inline std::ostream& operator<<(std::ostream& os, const Exception& ex) { return os << ex.text; }

    class SystemError : public Exception
    {
    public:
        SystemError() : Exception("SystemError") {}
        explicit SystemError(std::string txt) : Exception(std::move(txt)) {}
    };

    class TimeOut : public Exception
    {
    public:
        TimeOut() : Exception("TimeOut") {}
        explicit TimeOut(std::string txt) : Exception(std::move(txt)) {}
    };

    class NameNotFound : public Exception
    {
    public:
        NameNotFound() : Exception("NameNotFound") {}
        explicit NameNotFound(std::string txt) : Exception(std::move(txt)) {}
    };

    // Raised by the store when it is missing, not ready or of another configuration.
    class StoreError : public Exception
    {
    public:
        explicit StoreError(std::string txt) : Exception(std::move(txt)) {}
    };
}

// Nothing here crosses a CORBA boundary; the type exists so that the loops'
// catch clauses keep their separate log line.
namespace CORBA
{
    class SystemException : public std::exception
    {
    public:
        explicit SystemException(std::string desc = "SystemException") : description(std::move(desc)) {}
        const char* NP_minorString() const noexcept { return description.c_str(); }
        const char* what() const noexcept override { return description.c_str(); }

    private:
        std::string description;
    };
}
