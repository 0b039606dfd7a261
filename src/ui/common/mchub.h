#ifndef MCHUB_H
#define MCHUB_H

class MCCounters;
class MCInbox;
class MCNavigation;
class MCPeople;
class MCSessionServices;
class MCTransferStarter;

// The hub as the pages that are not handed their faces see it: where each face is. The shell
// makes the hub (MCManager); a page includes the faces it uses, never the class that builds
// the window.
class MCHub
{
public:
    virtual ~MCHub() = default;

    // The hub the shell makes; made on first use.
    static MCHub *sharedHub();

    virtual MCNavigation *navigation() = 0;
    virtual MCCounters *counters() = 0;
    virtual MCTransferStarter *transfers() = 0;
    virtual MCPeople *people() = 0;
    virtual MCInbox *inbox() = 0;
    virtual MCSessionServices *services() = 0;
};

#endif // MCHUB_H
