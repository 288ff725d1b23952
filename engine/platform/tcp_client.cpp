// tcp_client.cpp -- TCPClient: connect, the packet loop, stop
#include "engine/platform/tcp_client.h"

#include <os/sync.h>
#include <os/user.h>

TCPClient::TCPClient(int addressFamily) : Thread(u"TCPClient"), family(addressFamily)
{
    socket = new Socket(false, 0, family, 0);
    socket->setNoDelay(true);
    dataMutex = CreateMutexW(nullptr, FALSE, nullptr);
}

TCPClient::~TCPClient()
{
    stop();
    join();
    delete socket;
    CloseHandle(dataMutex);
}

bool TCPClient::connect(const WCHAR* host, int port)
{
    if (connected || isStarted())
        return false;
    if (socket->connect(host, port, family))
    {
        socket->setNoDelay(true);
        connected = true;
        start();
    }
    return connected;
}

void TCPClient::run()
{
    if (!connected)
        return;
    onConnection(Started);
    bool stoppedByFlag = false;
    for (;;)
    {
        if (stopFlag)
        {
            stoppedByFlag = true;
            break;
        }
        int16_t head = 0;
        if (!socket->readShort(head))
            break;
        if (head != kPacketHead)
        {
            MessageBoxW(nullptr, u"Client got a wrong TCP Packet Head from server.", u"RODOdoviz Error", MB_OK);
            break;
        }
        lockData();
        bool ok = onPacket(*socket);
        unlockData();
        if (!ok)
            break;
    }
    if (!stoppedByFlag && !stopFlag)
    {
        connected = false;
        onConnection(Lost);
    }
    stopFlag = true;
    socket->close();
    connected = false;
    onConnection(Closed);
}

void TCPClient::lockData()
{
    WaitForSingleObject(dataMutex, INFINITE);
}

void TCPClient::unlockData()
{
    ReleaseMutex(dataMutex);
}

void TCPClient::stop()
{
    stopFlag = true;
    socket->close();
    join();
}

bool TCPClient::sendPacket(const PacketWriter& packet)
{
    ScopedLock hold(writeLock);
    return socket->sendPacket(packet);
}
