#pragma once

#include <QDate>
#include <QObject>
#include <QVariantMap>

class PredefinedDataHelper;
class Settings;

// What pasting from the program's clipboard into the daily plan and into
// the inbox makes of the clipboard's object.
//
// Both take the clipboard's object and extra info (Clipboard::object and
// Clipboard::extraInfo) and write nothing. The answer is a map:
//   "accepted"   bool; when false, "errorTitle" and "errorText" say why
//                (both empty when there is nothing worth telling);
//   "record"     the record to write;
//   "move"       true for a cut object: update "record" (it keeps its id and
//                the state it had before the cut) and empty the clipboard;
//                false: create "record" as a new task (it carries no ID), or,
//                for a project pasted into a day, update it;
//   "isTask"     whether "record" is a task (else a project).
class TaskPasteRules : public QObject
{
    Q_OBJECT

public:
    // Null settings or helper: the program's own, taken on first use.
    explicit TaskPasteRules(Settings* settings = nullptr, PredefinedDataHelper* predefinedData = nullptr,
        QObject* parent = nullptr);
    ~TaskPasteRules() override;

    // A task goes to the one-step actions list, a project stays where it is
    // (a cut one comes back at the root). START and DUE keep their times of
    // day on day; an object without DUE is due on day at the default due
    // time, and a START later than DUE makes DUE equal to START.
    Q_INVOKABLE QVariantMap pasteIntoDay(
        const QVariantMap& object, const QVariantMap& extraInfo, const QDate& day) const;
    // Only tasks; they go to the inbox with their dates as they are.
    Q_INVOKABLE QVariantMap pasteIntoInbox(const QVariantMap& object, const QVariantMap& extraInfo) const;

private:
    static bool isCut(const QVariantMap& extraInfo);
    static QVariantMap refused(const QString& title, const QString& text);
    static QVariantMap accepted(const QVariantMap& record, bool move, bool isTask);
    // The record as it is written: a cut object with its id and former
    // state, a copied task without an id so that the store gives it one.
    static QVariantMap pastedRecord(const QVariantMap& object, const QVariantMap& extraInfo);
    QVariantMap placedOnDay(QVariantMap record, const QDate& day) const;

    Settings* settings() const;
    PredefinedDataHelper* predefinedData() const;

    mutable Settings* m_settings = nullptr;
    mutable PredefinedDataHelper* m_predefinedData = nullptr;
};
