// Thin layer over libxml2: a parsed document and an iterator over element children.
#pragma once

#include <libxml/tree.h>
#include <memory>
#include <string>

class UniXML
{
public:
    UniXML() = default;
    // Throws UniSetTypes::SystemError, one line naming the file, when it cannot be read
    // or parsed; anything but a regular file is refused before it is opened.
    explicit UniXML(const std::string& filename);
    ~UniXML();
    UniXML(const UniXML&) = delete;
    UniXML& operator=(const UniXML&) = delete;

    void open(const std::string& filename);
    void openFromString(const std::string& text, const std::string& name = "<string>");
    void close();
    bool isOpen() const { return doc != nullptr; }
    const std::string& getFileName() const { return filename; }

    xmlNode* getFirstNode() const;
    // The first element with this tag in document order (the root included); null when none.
    static xmlNode* findNode(xmlNode* start, const std::string& tag);

    static std::string getProp(const xmlNode* node, const std::string& name);
    // An absent or empty attribute gives 0 (getPIntProp: def); anything but a whole
    // number throws UniSetTypes::SystemError naming the file, line, element and attribute.
    static int getIntProp(const xmlNode* node, const std::string& name);
    static int getPIntProp(const xmlNode* node, const std::string& name, int def);
    static bool hasProp(const xmlNode* node, const std::string& name);
    static std::string getName(const xmlNode* node);

    xmlDoc* document() const { return doc; }

private:
    xmlDoc* doc = nullptr;
    std::string filename;
};

// Walks element children only: whitespace, text and comment nodes are skipped.
class UniXML_iterator
{
public:
    UniXML_iterator() = default;
    explicit UniXML_iterator(xmlNode* n) : curNode(n) {}

    // Moves to the first element child; false (and stays) when there is none.
    bool goChildren();
    // Moves to the next element sibling; false (and becomes invalid) when there is none.
    bool goNext();
    // Moves to the parent element; false when there is none.
    bool goParent();
    // Moves to the first element sibling or descendant with this tag, depth first; false when none.
    bool find(const std::string& tag);

    std::string getProp(const std::string& name) const;
    int getIntProp(const std::string& name) const;
    int getPIntProp(const std::string& name, int def) const;
    std::string getName() const;

    xmlNode* getCurrent() const { return curNode; }
    operator xmlNode*() const { return curNode; }
    bool valid() const { return curNode != nullptr; }
    UniXML_iterator& operator++() { goNext(); return *this; }

private:
    xmlNode* curNode = nullptr;
};
