// The declaration of an X_SK, once per class (docs/skeleton.md): its list of items,
// alarm messages and settings becomes named public fields and the layout the
// skeleton walks (RAVNA_SKELETON_CLASS), and its constructors (RAVNA_SKELETON_DEFINITION).
#pragma once

#include "SkeletonItems.h"

// --- Declaring an X_SK's items, once (docs/skeleton.md):
//   #define X_SK_LIST(ITEM, FIXED, MSG, SETTING)
//       ITEM(state_as, in, AI, mandatory, 0)     role name, in|out, DI|DO|AI|AO, mandatory|optional, default
//       FIXED(ADG_State_AS, 10151, out, AI)      field name, id fixed in the program, in|out, type
//       MSG(mid_NotOn)                           alarm message
//       SETTING(OnTime, number, "")              class setting: flag|number, default text
// and RAVNA_SKELETON(X_SK_LIST) in the class body.

#define RAVNA_SK_ITEM_FIELDS(name, dir, type, need, def)                                                          \
    UniSetTypes::ObjectId name = UniSetTypes::DefaultObjectId;                                                     \
    UniSetTypes::ObjectId node_##name = UniSetTypes::DefaultObjectId;                                              \
    ::ravna::sk::Value<::ravna::sk::type> dir##_##name{};                                                          \
    ::ravna::sk::Value<::ravna::sk::type> prev_##dir##_##name{};

#define RAVNA_SK_FIXED_FIELDS(name, fixedId, dir, type)                                                           \
    UniSetTypes::ObjectId id_##name = fixedId;                                                                     \
    UniSetTypes::ObjectId node_##name = UniSetTypes::DefaultObjectId;                                              \
    ::ravna::sk::Value<::ravna::sk::type> dir##_##name{};                                                          \
    ::ravna::sk::Value<::ravna::sk::type> prev_##dir##_##name{};

#define RAVNA_SK_MSG_FIELDS(name)                                                                                 \
    UniSetTypes::ObjectId name = UniSetTypes::DefaultObjectId;                                                     \
    UniSetTypes::ObjectId node_##name = UniSetTypes::DefaultObjectId;

#define RAVNA_SK_SETTING_FIELDS(name, kind, deftext) ::ravna::sk::setting_##kind name{};

#define RAVNA_SK_ITEM_REF(name, dir, type, need, def)                                                             \
    ::ravna::sk::Item{#name,                                                                                       \
                      ::ravna::sk::dir_##dir,                                                                      \
                      ::ravna::sk::type,                                                                           \
                      ::ravna::sk::need_##need,                                                                    \
                      def,                                                                                         \
                      UniSetTypes::DefaultObjectId,                                                                \
                      &name,                                                                                       \
                      &node_##name,                                                                                \
                      ::ravna::sk::ValueRef(dir##_##name),                                                         \
                      ::ravna::sk::ValueRef(prev_##dir##_##name)},

#define RAVNA_SK_FIXED_REF(name, fixedId, dir, type)                                                              \
    ::ravna::sk::Item{#name,                                                                                       \
                      ::ravna::sk::dir_##dir,                                                                      \
                      ::ravna::sk::type,                                                                           \
                      false,                                                                                       \
                      0,                                                                                           \
                      fixedId,                                                                                     \
                      &id_##name,                                                                                  \
                      &node_##name,                                                                                \
                      ::ravna::sk::ValueRef(dir##_##name),                                                         \
                      ::ravna::sk::ValueRef(prev_##dir##_##name)},

#define RAVNA_SK_MSG_REF(name) ::ravna::sk::Message{#name, &name, &node_##name},

#define RAVNA_SK_SETTING_REF(name, kind, deftext) ::ravna::sk::Setting{#name, deftext, name},

#define RAVNA_SK_SKIP(...)

// Public fields named as the process classes use them, and the layout the skeleton walks.
#define RAVNA_SKELETON(LIST)                                                                                      \
public:                                                                                                            \
    LIST(RAVNA_SK_ITEM_FIELDS, RAVNA_SK_FIXED_FIELDS, RAVNA_SK_MSG_FIELDS, RAVNA_SK_SETTING_FIELDS)                \
                                                                                                                   \
protected:                                                                                                         \
    ::ravna::sk::Layout skeletonLayout()                                                                           \
    {                                                                                                              \
        return ::ravna::sk::Layout{{LIST(RAVNA_SK_ITEM_REF, RAVNA_SK_FIXED_REF, RAVNA_SK_SKIP, RAVNA_SK_SKIP)},    \
                                   {LIST(RAVNA_SK_SKIP, RAVNA_SK_SKIP, RAVNA_SK_MSG_REF, RAVNA_SK_SKIP)},          \
                                   {LIST(RAVNA_SK_SKIP, RAVNA_SK_SKIP, RAVNA_SK_SKIP, RAVNA_SK_SETTING_REF)}};     \
    }                                                                                                              \
                                                                                                                   \
public:

// The whole declaration an X_SK needs: its constructors and the fields of its item list.
#define RAVNA_SKELETON_CLASS(SK, LIST)                                                                            \
public:                                                                                                            \
    SK(UniSetTypes::ObjectId id, xmlNode* cnode);                                                                  \
    /* only refuses: an object needs its id and node */                                                           \
    SK();                                                                                                          \
    ~SK() override;                                                                                                \
    RAVNA_SKELETON(LIST)

// Defines an X_SK's constructors: the hand-written class's name (for the texts),
// the --sleep-msec default, the number of queued messages taken per pass and,
// optionally, the sensor name tried last for smTestID.
#define RAVNA_SKELETON_DEFINITION(SK, CLASS_NAME, SLEEP_MSEC, PER_PASS, ...)                                      \
    namespace                                                                                                      \
    {                                                                                                              \
        const ::ravna::SkeletonTraits SK##Traits{CLASS_NAME, SLEEP_MSEC, PER_PASS __VA_OPT__(, ) __VA_ARGS__};    \
    }                                                                                                              \
    SK::SK(UniSetTypes::ObjectId id, xmlNode* cnode) : ProcessSkeleton(id, cnode, SK##Traits)                      \
    {                                                                                                              \
        init(skeletonLayout());                                                                                    \
    }                                                                                                              \
    SK::SK() : ProcessSkeleton(SK##Traits) {}                                                                      \
    SK::~SK() = default;
