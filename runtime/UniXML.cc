#include "UniXML.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <libxml/parser.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

#include "Exceptions.h"
#include "UniSetTypes.h"

namespace
{
    constexpr int kParseOptions = XML_PARSE_NONET | XML_PARSE_NOWARNING | XML_PARSE_NOERROR;

    // The first error the parser reports while it lives, as one line: the first is the
    // cause, those after it are its consequences, and some messages span two lines.
    class FirstParseError
    {
    public:
        FirstParseError()
        {
            xmlResetLastError();
            // Generic, so that it fits the handler type of every libxml2 version.
            xmlStructuredErrorFunc handler = [](void* self, auto* err) { static_cast<FirstParseError*>(self)->take(err); };
            xmlSetStructuredErrorFunc(this, handler);
        }
        ~FirstParseError() { xmlSetStructuredErrorFunc(nullptr, nullptr); }
        FirstParseError(const FirstParseError&) = delete;
        FirstParseError& operator=(const FirstParseError&) = delete;

        std::string text() const
        {
            if (!seen)
                return "cannot be parsed";
            return line > 0 ? "line " + std::to_string(line) + ": " + message : message;
        }

    private:
        void take(const xmlError* err)
        {
            if (seen || !err)
                return;
            seen = true;
            line = err->line;
            std::istringstream words(err->message ? err->message : "");
            for (std::string w; words >> w;)
                message += (message.empty() ? "" : " ") + w;
            if (message.empty())
                message = "cannot be parsed";
        }

        bool seen = false;
        int line = 0;
        std::string message;
    };

    const char* fileKind(mode_t mode)
    {
        if (S_ISDIR(mode))
            return "a directory";
        if (S_ISFIFO(mode))
            return "a FIFO";
        if (S_ISCHR(mode) || S_ISBLK(mode))
            return "a device";
        if (S_ISSOCK(mode))
            return "a socket";
        return "not a plain file";
    }

    // Opened only once it is known to be a regular file, and without waiting: a FIFO or
    // a device named by mistake must not hang the program before it can say so.
    int openRegularFile(const std::string& fname)
    {
        auto fail = [&](const std::string& why) { return UniSetTypes::SystemError("'" + fname + "': " + why); };
        struct stat st{};
        if (::stat(fname.c_str(), &st) != 0)
            throw fail(std::string("cannot be read: ") + std::strerror(errno));
        if (!S_ISREG(st.st_mode))
            throw fail(std::string("is ") + fileKind(st.st_mode) + ", not a configuration file");
        const int fd = ::open(fname.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (fd < 0)
            throw fail(std::string("cannot be read: ") + std::strerror(errno));
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        {
            ::close(fd);
            throw fail("was replaced by something that is not a configuration file");
        }
        return fd;
    }

    xmlDoc* checkedDocument(xmlDoc* d, const std::string& name, const FirstParseError& error)
    {
        if (!d)
            throw UniSetTypes::SystemError("'" + name + "': " + error.text());
        if (!xmlDocGetRootElement(d))
        {
            xmlFreeDoc(d);
            throw UniSetTypes::SystemError("'" + name + "': no root element");
        }
        // The name as given, not as a URI: errors about a node name the file by it.
        xmlFree(const_cast<xmlChar*>(d->URL));
        d->URL = xmlStrdup(reinterpret_cast<const xmlChar*>(name.c_str()));
        return d;
    }

    bool isElement(const xmlNode* n) { return n && n->type == XML_ELEMENT_NODE; }

    xmlNode* firstElement(xmlNode* n)
    {
        while (n && !isElement(n))
            n = n->next;
        return n;
    }
}

UniXML::UniXML(const std::string& fname) { open(fname); }

UniXML::~UniXML() { close(); }

void UniXML::open(const std::string& fname)
{
    close();
    const int fd = openRegularFile(fname);
    xmlDoc* d = nullptr;
    {
        FirstParseError error;
        d = xmlReadFd(fd, fname.c_str(), nullptr, kParseOptions);
        ::close(fd);
        d = checkedDocument(d, fname, error);
    }
    doc = d;
    filename = fname;
}

void UniXML::openFromString(const std::string& text, const std::string& name)
{
    close();
    FirstParseError error;
    xmlDoc* d = xmlReadMemory(text.data(), static_cast<int>(text.size()), name.c_str(), nullptr, kParseOptions);
    doc = checkedDocument(d, name, error);
    filename = name;
}

void UniXML::close()
{
    if (doc)
        xmlFreeDoc(doc);
    doc = nullptr;
}

xmlNode* UniXML::getFirstNode() const { return doc ? xmlDocGetRootElement(doc) : nullptr; }

xmlNode* UniXML::findNode(xmlNode* start, const std::string& tag)
{
    for (xmlNode* n = start; n; n = n->next)
    {
        if (!isElement(n))
            continue;
        if (tag == reinterpret_cast<const char*>(n->name))
            return n;
        if (xmlNode* found = findNode(n->children, tag))
            return found;
    }
    return nullptr;
}

std::string UniXML::getProp(const xmlNode* node, const std::string& name)
{
    if (!node)
        return "";
    xmlChar* v = xmlGetProp(node, reinterpret_cast<const xmlChar*>(name.c_str()));
    if (!v)
        return "";
    std::string s(reinterpret_cast<const char*>(v));
    xmlFree(v);
    return s;
}

bool UniXML::hasProp(const xmlNode* node, const std::string& name)
{
    return node && xmlHasProp(node, reinterpret_cast<const xmlChar*>(name.c_str())) != nullptr;
}

namespace
{
    // A setting that is not a number stops the program rather than read as 0.
    int wholeNumber(const xmlNode* node, const std::string& name, const std::string& text)
    {
        long v = 0;
        if (UniSetTypes::parseWholeNumber(text, v) && v >= INT_MIN && v <= INT_MAX)
            return static_cast<int>(v);
        const std::string file = node->doc && node->doc->URL ? reinterpret_cast<const char*>(node->doc->URL) : "";
        throw UniSetTypes::SystemError("'" + file + "': line " + std::to_string(xmlGetLineNo(node)) + ": <" +
                                       UniXML::getName(node) + "> '" + name + "'='" + text +
                                       "' is not a whole number");
    }
}

int UniXML::getIntProp(const xmlNode* node, const std::string& name) { return getPIntProp(node, name, 0); }

int UniXML::getPIntProp(const xmlNode* node, const std::string& name, int def)
{
    const std::string v = getProp(node, name);
    return v.empty() ? def : wholeNumber(node, name, v);
}

std::string UniXML::getName(const xmlNode* node)
{
    return node ? std::string(reinterpret_cast<const char*>(node->name)) : std::string();
}

bool UniXML_iterator::goChildren()
{
    if (!curNode)
        return false;
    xmlNode* c = firstElement(curNode->children);
    if (!c)
        return false;
    curNode = c;
    return true;
}

bool UniXML_iterator::goNext()
{
    if (!curNode)
        return false;
    curNode = firstElement(curNode->next);
    return curNode != nullptr;
}

bool UniXML_iterator::goParent()
{
    if (!curNode || !isElement(curNode->parent))
        return false;
    curNode = curNode->parent;
    return true;
}

bool UniXML_iterator::find(const std::string& tag)
{
    for (xmlNode* n = curNode; n; n = n->next)
    {
        if (!isElement(n))
            continue;
        if (tag == reinterpret_cast<const char*>(n->name))
        {
            curNode = n;
            return true;
        }
        if (xmlNode* found = UniXML::findNode(n->children, tag))
        {
            curNode = found;
            return true;
        }
    }
    return false;
}

std::string UniXML_iterator::getProp(const std::string& name) const { return UniXML::getProp(curNode, name); }

int UniXML_iterator::getIntProp(const std::string& name) const { return UniXML::getIntProp(curNode, name); }

int UniXML_iterator::getPIntProp(const std::string& name, int def) const
{
    return UniXML::getPIntProp(curNode, name, def);
}

std::string UniXML_iterator::getName() const { return UniXML::getName(curNode); }
