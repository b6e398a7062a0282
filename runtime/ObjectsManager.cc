#include "ObjectsManager.h"

#include <algorithm>

ObjectsManager::ObjectsManager(UniSetTypes::ObjectId id) : UniSetObject(id) {}

ObjectsManager::ObjectsManager() : UniSetObject() {}

ObjectsManager::~ObjectsManager()
{
    std::lock_guard<std::recursive_mutex> lk(listMutex);
    for (UniSetObject* o : objects)
        o->parent = nullptr;
    for (ObjectsManager* m : managers)
        m->parent = nullptr;
    objects.clear();
    managers.clear();
}

bool ObjectsManager::addObject(UniSetObject* obj)
{
    if (!obj)
        return false;
    std::lock_guard<std::recursive_mutex> lk(listMutex);
    if (std::find(objects.begin(), objects.end(), obj) != objects.end())
        return true;
    objects.push_back(obj);
    obj->parent = this;
    return true;
}

bool ObjectsManager::removeObject(UniSetObject* obj)
{
    if (!obj)
        return false;
    {
        std::lock_guard<std::recursive_mutex> lk(listMutex);
        auto it = std::find(objects.begin(), objects.end(), obj);
        if (it == objects.end())
            return false;
        objects.erase(it);
        obj->parent = nullptr;
    }
    obj->stopThread();
    obj->joinThread();
    obj->cancelSubscriptions();
    return true;
}

bool ObjectsManager::addManager(ObjectsManager* mngr)
{
    if (!mngr)
        return false;
    std::lock_guard<std::recursive_mutex> lk(listMutex);
    if (std::find(managers.begin(), managers.end(), mngr) != managers.end())
        return true;
    managers.push_back(mngr);
    mngr->parent = this;
    return true;
}

bool ObjectsManager::removeManager(ObjectsManager* mngr)
{
    if (!mngr)
        return false;
    {
        std::lock_guard<std::recursive_mutex> lk(listMutex);
        auto it = std::find(managers.begin(), managers.end(), mngr);
        if (it == managers.end())
            return false;
        managers.erase(it);
        mngr->parent = nullptr;
    }
    std::vector<UniSetObject*> tree = mngr->allObjects();
    tree.push_back(mngr);
    for (UniSetObject* o : tree)
        o->stopThread();
    for (UniSetObject* o : tree)
        o->joinThread();
    for (UniSetObject* o : tree)
        o->cancelSubscriptions();
    return true;
}

void ObjectsManager::forgetChild(UniSetObject* obj)
{
    std::lock_guard<std::recursive_mutex> lk(listMutex);
    std::erase(objects, obj);
    std::erase_if(managers, [obj](ObjectsManager* m) { return m == obj; });
}

void ObjectsManager::broadcast(const UniSetTypes::TransportMessage& msg)
{
    std::lock_guard<std::recursive_mutex> lk(listMutex);
    for (UniSetObject* o : objects)
        o->push(msg);
    for (ObjectsManager* m : managers)
    {
        m->push(msg);
        m->broadcast(msg);
    }
}

bool ObjectsManager::activateObject()
{
    std::vector<UniSetObject*> objs;
    std::vector<ObjectsManager*> mngrs;
    {
        std::lock_guard<std::recursive_mutex> lk(listMutex);
        objs = objects;
        mngrs = managers;
    }
    bool ok = UniSetObject::activateObject();
    for (ObjectsManager* m : mngrs)
        ok = m->activateObject() && ok;
    for (UniSetObject* o : objs)
        ok = o->activateObject() && ok;
    return ok;
}

bool ObjectsManager::disactivate()
{
    std::vector<UniSetObject*> tree = allObjects();
    for (UniSetObject* o : tree)
        o->disactivate();
    return UniSetObject::disactivate();
}

std::vector<UniSetObject*> ObjectsManager::allObjects()
{
    std::lock_guard<std::recursive_mutex> lk(listMutex);
    std::vector<UniSetObject*> out;
    for (ObjectsManager* m : managers)
    {
        out.push_back(m);
        auto sub = m->allObjects();
        out.insert(out.end(), sub.begin(), sub.end());
    }
    for (UniSetObject* o : objects)
        out.push_back(o);
    return out;
}

std::vector<UniSetObject*> ObjectsManager::getObjects()
{
    std::lock_guard<std::recursive_mutex> lk(listMutex);
    return objects;
}

std::vector<ObjectsManager*> ObjectsManager::getManagers()
{
    std::lock_guard<std::recursive_mutex> lk(listMutex);
    return managers;
}
