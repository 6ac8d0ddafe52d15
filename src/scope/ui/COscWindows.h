#pragma once

#include "scope/OscRecord.h"
#include "scope/ui/COSCDlg.h"
#include "scope/ui/COSCList.h"

#include <QMdiSubWindow>
#include <QObject>
#include <QPointer>

#include <memory>

class CMeterProtocol;
class COscSlots;
class CPrompt;
class QMdiArea;

// The oscilloscope part of the main frame: the eleven waveform slots, the
// scope window "OSC" that shows the live screen and the stored waveform picked
// in the list, the stored-waveform list, and the scope windows of opened
// ".osc" files.
//
// The scope window follows the live screen until a stored waveform is picked in
// the list; it then holds that one, whatever live screens arrive, until its
// "Live" button (or ShowLive) brings the live screen back.
//
// The slots decode on the link thread (a direct connection to the protocol's
// oscilloscope hand-off); records reach the windows here, on the GUI thread,
// by value. A closed scope window is forgotten at once and deleted once its
// events are done (deleteLater); the next waveform makes a new one.
class COscWindows : public QObject
{
    Q_OBJECT
public:
    // The scope window's place in the client area: in from the left and down from the top.
    static constexpr int kLeft = 10;
    static constexpr int kTop = 130;

    // pArea holds the windows; the list is made here for the frame to place.
    COscWindows(CMeterProtocol& protocol, CPrompt& prompt, QMdiArea* pArea, QObject* pParent = nullptr);
    ~COscWindows() override;

    COscSlots& Slots() { return *m_pSlots; }
    COSCList* List() const { return m_pList; }
    // The scope window of the live screen and the stored slots; null until one is needed.
    COSCDlg* ScopeWindow() const { return m_pScope; }

    // Slot 0 was decoded: the scope window shows it, unless it holds a stored waveform.
    void OnLiveWaveform(const OscRecord& record, const QString& strInfo);
    // A list button: the scope window shows stored slot nSlot and holds it.
    void ShowStoredWaveform(int nSlot);
    // "Live": back to the latest live screen, and following it again.
    void ShowLive();
    // The stored slot the scope window holds; 0 while it follows the live screen.
    int HeldSlot() const { return m_nHeldSlot; }
    // The meter left oscilloscope mode: the scope window closes.
    void CloseOscWindow();

    // "Open Osc...": asks for a file and opens it.
    void OnOpenOsc();
    // A scope window of its own for the waveform of a ".osc" file; null, with the
    // user told why, when the file cannot be read.
    COSCDlg* OpenOscFile(const QString& strPath);

private:
    COSCDlg* EnsureScopeWindow();
    QMdiSubWindow* AddWindow(COSCDlg* pDlg);
    // Shows a window's frame at its place; bActivate brings it to the front.
    void Present(QMdiSubWindow* pSub, bool bActivate);

    CPrompt& m_prompt;
    QMdiArea* m_pArea;
    std::unique_ptr<COscSlots> m_pSlots;
    QPointer<COSCList> m_pList;
    QPointer<COSCDlg> m_pScope;
    QPointer<QMdiSubWindow> m_pScopeFrame;
    int m_nHeldSlot = 0;
};
