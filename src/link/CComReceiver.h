#pragma once

#include <QString>

// What a serial reader hands its bytes and its failure to. The port gives one
// to its reader, and takes one from its user at Open, before the reader starts.
class CComReceiver
{
public:
    // Called on the reader thread for every chunk of at least one byte; the
    // bytes are valid only during the call.
    virtual void OnComReceive(const unsigned char* pData, int nCount) = 0;
    // Called at most once per open port, on the thread that met the failure
    // (reader or writer), and never once another Open or a Close has followed.
    // Must neither close nor write to the port itself: post the close.
    virtual void OnComError(const QString& strError) = 0;

protected:
    ~CComReceiver() = default;
};
