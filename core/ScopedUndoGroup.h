// ScopedUndoGroup.h — a host undo group open for one scope: every project change the plug-in makes
// inside it becomes one undo step named `name`.
//
// The group is closed on every path out of the scope, exceptions included, and only when the host
// opened it: closing a group the host refused would close someone else's.
#ifndef MORPHALITH_CORE_SCOPED_UNDO_GROUP_H
#define MORPHALITH_CORE_SCOPED_UNDO_GROUP_H

#include "AEGP_SuiteHandler.h"

class ScopedUndoGroup {
public:
    ScopedUndoGroup(const AEGP_SuiteHandler& suites, const char* name)
        : suites_(suites), err_(suites_.UtilitySuite3()->AEGP_StartUndoGroup(name)) {}
    // The host's answer to the closing call is not the plug-in's to act on.
    ~ScopedUndoGroup() {
        if (err_ == A_Err(0)) suites_.UtilitySuite3()->AEGP_EndUndoGroup();
    }
    ScopedUndoGroup(const ScopedUndoGroup&) = delete;
    ScopedUndoGroup& operator=(const ScopedUndoGroup&) = delete;

    // The host's answer to the opening call: a change made without the group could not be undone.
    A_Err error() const { return err_; }

private:
    const AEGP_SuiteHandler& suites_;
    const A_Err err_;
};

#endif  // MORPHALITH_CORE_SCOPED_UNDO_GROUP_H
