// An object that owns others: activating it activates them, a broadcast reaches them all.
#pragma once

#include <mutex>
#include <vector>

#include "UniSetObject.h"

class ObjectsManager : public UniSetObject
{
public:
    explicit ObjectsManager(UniSetTypes::ObjectId id);
    ObjectsManager();
    ~ObjectsManager() override;

    std::string getType() const override { return "ObjectsManager"; }

    // Registering an object twice does nothing; false when obj is null.
    virtual bool addObject(UniSetObject* obj);
    // Stops the object's thread, cancels its subscriptions and forgets it; the caller
    // still owns it. removeManager does the same for the manager's whole tree.
    virtual bool removeObject(UniSetObject* obj);
    virtual bool addManager(ObjectsManager* mngr);
    virtual bool removeManager(ObjectsManager* mngr);

    // Queues msg to every registered object and, through the managers, to theirs.
    virtual void broadcast(const UniSetTypes::TransportMessage& msg);

    bool activateObject() override;
    bool disactivate() override;

    // This manager's tree: every registered object and manager, depth first.
    std::vector<UniSetObject*> allObjects();
    std::vector<UniSetObject*> getObjects();
    std::vector<ObjectsManager*> getManagers();

protected:
    void forgetChild(UniSetObject* child) override;

private:

    std::recursive_mutex listMutex;
    std::vector<UniSetObject*> objects;
    std::vector<ObjectsManager*> managers;
};
