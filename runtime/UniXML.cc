#include "UniXML.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <libxml/parser.h>

#include "Exceptions.h"

namespace
{
    std::string lastXmlError()
    {
        const xmlError* err = xmlGetLastError();
        if (!err || !err->message)
            return "cannot be parsed";
        std::string msg = err->message;
        while (!msg.empty() && (msg.back() == '\n' || msg.back() == ' '))
            msg.pop_back();
        return "line " + std::to_string(err->line) + ": " + msg;
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
    if (::access(fname.c_str(), R_OK) != 0)
        throw UniSetTypes::SystemError("'" + fname + "': cannot be read: " + std::strerror(errno));
    xmlResetLastError();
    xmlDoc* d = xmlReadFile(fname.c_str(), nullptr, XML_PARSE_NONET | XML_PARSE_NOWARNING | XML_PARSE_NOERROR);
    if (!d)
        throw UniSetTypes::SystemError("'" + fname + "': " + lastXmlError());
    if (!xmlDocGetRootElement(d))
    {
        xmlFreeDoc(d);
        throw UniSetTypes::SystemError("'" + fname + "': no root element");
    }
    doc = d;
    filename = fname;
}

void UniXML::openFromString(const std::string& text, const std::string& name)
{
    close();
    xmlResetLastError();
    xmlDoc* d = xmlReadMemory(text.data(), static_cast<int>(text.size()), name.c_str(), nullptr,
                              XML_PARSE_NONET | XML_PARSE_NOWARNING | XML_PARSE_NOERROR);
    if (!d)
        throw UniSetTypes::SystemError("'" + name + "': " + lastXmlError());
    if (!xmlDocGetRootElement(d))
    {
        xmlFreeDoc(d);
        throw UniSetTypes::SystemError("'" + name + "': no root element");
    }
    doc = d;
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

int UniXML::getIntProp(const xmlNode* node, const std::string& name) { return std::atoi(getProp(node, name).c_str()); }

int UniXML::getPIntProp(const xmlNode* node, const std::string& name, int def)
{
    const std::string v = getProp(node, name);
    return v.empty() ? def : std::atoi(v.c_str());
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
