// LinkSet: the connections of one link id and the changes recorded for its
// transactions. Every operation that visits the connections visits them in
// ascending byte order of link name.
//
// Operations answer 0 or a code; what they raise, the exports turn into a
// code too.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "DbDesc.h"
#include "LinkConnection.h"
#include "LurDbLink.h"
#include "lurdbcli.h"

class LinkSet {
public:
    // Codes of the module's own answers.
    static constexpr int32_t kLinkRefused = 10015;  // login refused, tablespaces not opened, name or service taken
    static constexpr int32_t kUnknownException = 10064;
    static constexpr int32_t kBadElementType = 2012;
    static constexpr int32_t kNoTablespace = 2000;  // a change of a number no connection serves
    static constexpr int32_t kNoUniqueKey = 10028;  // a delete or modify without a unique key
    // The name of the client transaction on every connection.
    static constexpr const char* kTransactionName = "TR_LINK";

    LinkSet() = default;
    LinkSet(const LinkSet&) = delete;
    LinkSet& operator=(const LinkSet&) = delete;
    // Deletes the connections (each disconnects when still open).
    ~LinkSet() = default;

    // ---- links (CreateLink, DestroyLink, BeginTransactionLink) --------------

    // Ends the connections the set has, then connects the enabled links in
    // vector order until one fails. A failure that raises is reported through
    // report (when given) and answered with its code; a refusal is reported
    // with its reason (the login's code and text) and answered kLinkRefused.
    int32_t CreateLinks(int32_t linkId, const std::vector<DbLink>& links, LinkReportCallback report);
    // Connects one link and adds its tablespaces to the descriptions;
    // kLinkRefused when the login is refused, the tablespaces cannot be
    // opened, or an enabled link of that name is connected already. A link
    // to a service another link of the set reaches already raises
    // kLinkRefused with a text naming both links (reported by CreateLinks).
    int32_t AddConnection(const DbLink& link);
    // Disconnects and deletes every connection and drops the lists and the
    // descriptions. A disconnect that raises stops the walk; the connections
    // not yet deleted (and the descriptions) stay in the set.
    int32_t DestroyLinks();
    // Begins "TR_LINK" on each connection until one answers nonzero.
    int32_t BeginTransaction();

    // ---- changes (AddElemLink, EndTransactionLink, GetTransactionListLink) --

    // Records a change of trId (nothing when the set has no connections);
    // a delete or modify of a number no connection serves answers
    // kNoTablespace, of a record type without unique key kNoUniqueKey, and
    // neither is recorded. Mode kApplyAtOnce replays the list and empties it.
    int32_t AddElem(int16_t type, int32_t trId, int32_t dbNo, int32_t recType, int32_t size, const unsigned char* data,
                    int mode);
    // Commit: replays the list, then commits every connection. Abort: drops
    // the list and aborts every connection, changes recorded or not. The
    // list is emptied either way; 0 without connections.
    int32_t EndTransaction(int32_t trId, bool commit);
    // out := a copy of the list; 10002 (out unchanged) when trId has none.
    int32_t GetList(int32_t trId, std::vector<TransactionElem>& out) const;

    // ---- unloading -----------------------------------------------------------

    // Lets go of every connection without disconnecting or deleting it: at
    // unload the client library may be gone already, so the connections are
    // left to the end of the process.
    void AbandonConnections();

    // ---- state ---------------------------------------------------------------

    int32_t GetLinkId() const { return m_linkId; }
    const std::string& GetErrorText() const { return m_errorText; }
    std::vector<std::string> GetLinkNames() const;
    // The client handle of a link; kNoHandle for a name not in the set.
    int32_t GetLinkHandle(const std::string& name) const;
    bool HasList(int32_t trId) const { return m_transactionLists.count(trId) != 0; }
    // Whether a connection brought a tablespace of that number.
    bool ServesDatabase(int32_t dbNo) const { return m_descriptions.count(dbNo) != 0; }
    // The field number of the record type's unique key; -1 when it has none
    // or the number or record type is unknown.
    int32_t KeyFieldOf(int32_t dbNo, int32_t recType) const;

private:
    // NewRec, ModRec and DelRec share this type.
    using RecordFunction = lurdbcli::NewRecFn;

    // Sends the list of trId, element by element to every connection; the
    // first nonzero code stops it and aborts every connection's transaction,
    // so that nothing of the list can be committed later.
    int32_t ReplayList(int32_t trId);
    int32_t ReplayElem(TransactionElem& elem);
    int32_t ForEachConnection(RecordFunction function, int32_t dbNo, int32_t recType, int32_t size, char* data);
    int32_t DefineKeyOnAll(int32_t dbNo, int32_t recType, int32_t keyField);
    // Ends the transaction on every connection: a commit stops at the first
    // failure, an abort goes on and answers the first failure.
    int32_t EndOnAll(bool commit);
    // Empties the list of trId when it has one.
    void DropList(int32_t trId);

    std::map<std::string, std::unique_ptr<LinkConnection>> m_connections;  // by link name
    std::map<int32_t, std::vector<TransactionElem>> m_transactionLists;    // by transaction id
    int32_t m_linkId = -1;
    std::string m_errorText;  // the last report of CreateLinks
    // Every tablespace of the connections by number, for the unique keys of
    // the recorded changes; rebuilt by each CreateLinks, dropped with the
    // connections.
    std::map<int32_t, DbDesc> m_descriptions;
};
