#pragma once
// Brings a receiver's meter list to the wanted meters over the request
// engine, for both front ends: reads what it holds (the list, and the keys
// of the held meters that have a wanted key), and applies a plan (deletes,
// then per meter the add, the key and the medium). The front end decides,
// through its observer, what an outcome means for the run: an error reply
// is noted and the run goes on, silence or a stop ends it.
//
// A medium the list shows as right is not sent again; a key is sent
// whenever the plan wants it (without a read-back every wanted key is).
// Runs on the engine's thread; each call returns once its exchanges are
// over (the engine's wait keeps the thread's events flowing).
#include "operations/provision_plan.h"
#include "table/meter_table.h"

#include <QHash>
#include <QStringList>
#include <functional>
#include <vector>

class RequestEngine;
struct RequestResult;

class ProvisionObserver {
public:
    virtual ~ProvisionObserver() = default;
    // True once the run must stop before its next exchange (Ctrl+C, Stop).
    virtual bool interrupted() = 0;
    // One exchange is over; `what` names it (a meter ID, or "list").
    virtual void advance(const QString& what) = 0;
    // The outcome of one exchange for meter `id` (the ZELK ID for the list);
    // `step` names the command: list, read-key, delete, add, set-key,
    // set-medium. False when the run must stop.
    virtual bool accept(const RequestResult& r, const QString& id, const QString& step) = 0;
    // What became of one meter: "deleted", or "added" / "already held" /
    // "add failed", then "key set", "medium set", "set-key failed", ...
    virtual void report(const QString& id, const QStringList& what) = 0;
};

class Provisioner {
public:
    Provisioner(RequestEngine& engine, ProvisionObserver& observer) : e_(engine), o_(observer) {}

    // Reads the receiver's list (the rows stand without the values), then
    // the keys held for the listed meters whose wanted row has a key. A key
    // the receiver refuses to show counts as not read; with
    // `keyRefusalIsNoError` the refusal is not handed to the observer. False
    // when the run must stop.
    bool survey(const std::vector<ProgramRow>& rows, bool keyRefusalIsNoError, QHash<QString, QString>* keys);
    bool readList();
    const std::vector<MeterTable::Row>& list() const { return list_; }
    bool holds(const QString& id) const;

    // Applies `plan`: every remove step, then the others in order. False
    // when the run stopped.
    bool apply(const ProgramPlan& plan);

    const QStringList& added() const { return added_; }
    const QStringList& held() const { return held_; }
    const QStringList& deleted() const { return deleted_; }

private:
    bool programMeter(MeterStep step);
    bool addMeter(MeterStep* step, bool* done, QStringList* what);
    // One setting of a held meter; true (nothing sent) when not wanted.
    bool set(const QString& id, bool wanted, const QString& step, const QString& doneText, QStringList* what,
             const std::function<RequestResult()>& call);

    RequestEngine& e_;
    ProvisionObserver& o_;
    std::vector<MeterTable::Row> list_;
    bool listRead_ = false;
    QStringList added_, held_, deleted_;
};
