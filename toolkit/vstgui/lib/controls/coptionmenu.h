// The pop-up menu: a control whose value is the index of the chosen entry.
// A click opens the list of entries, in columns, as the frame's modal view
// inside the frame; a click on an entry chooses it, a click elsewhere or
// Escape closes the list without a change.
#pragma once

#include "cparamdisplay.h"
#include <string>
#include <vector>

namespace VSTGUI {

class COptionMenu;

class CMenuItem : public CBaseObject {
  public:
    enum Flags {
        kNoFlags = 0,
        kDisabled = 1 << 0,
        kTitle = 1 << 1,
        kChecked = 1 << 2,
        kSeparator = 1 << 3
    };

    CMenuItem(UTF8StringPtr title, UTF8StringPtr keycode = nullptr, int32_t keyModifiers = 0,
              CBitmap* icon = nullptr, int32_t flags = kNoFlags);
    CMenuItem(UTF8StringPtr title, int32_t tag);
    CMenuItem(const CMenuItem&) = default;
    CLASS_METHODS(CMenuItem, CBaseObject)

    virtual void setTitle(UTF8StringPtr title) { this->title = title ? title : ""; }
    UTF8StringPtr getTitle() const { return title.c_str(); }
    virtual void setIsChecked(bool state);
    bool isChecked() const { return (flags & kChecked) != 0; }
    virtual void setEnabled(bool state = true);
    bool isEnabled() const { return (flags & kDisabled) == 0; }
    virtual void setIsTitle(bool state = true);
    bool isTitle() const { return (flags & kTitle) != 0; }
    virtual void setIsSeparator(bool state = true);
    bool isSeparator() const { return (flags & kSeparator) != 0; }
    void setTag(int32_t t) { tag = t; }
    int32_t getTag() const { return tag; }

  protected:
    std::string title;
    int32_t flags = kNoFlags;
    int32_t tag = -1;
};

class CMenuItemList : public std::vector<SharedPointer<CMenuItem>> {};

class COptionMenu : public CParamDisplay {
  public:
    COptionMenu();
    COptionMenu(const CRect& size, IControlListener* listener, int32_t tag,
                CBitmap* background = nullptr, CBitmap* bgWhenClick = nullptr,
                const int32_t style = 0);
    COptionMenu(const COptionMenu&) = default;
    CLASS_METHODS(COptionMenu, CParamDisplay)

    virtual CMenuItem* addEntry(CMenuItem* item, int32_t index = -1);
    virtual CMenuItem* addEntry(UTF8StringPtr title, int32_t index = -1,
                                int32_t itemFlags = CMenuItem::kNoFlags);
    virtual CMenuItem* addSeparator(int32_t index = -1);
    virtual CMenuItem* getCurrent() const;
    virtual int32_t getCurrentIndex(bool countSeparator = false) const;
    virtual CMenuItem* getEntry(int32_t index) const;
    virtual int32_t getNbEntries() const { return (int32_t)items.size(); }
    virtual bool setCurrent(int32_t index, bool countSeparator = true);
    virtual bool removeEntry(int32_t index);
    virtual bool removeAllEntry();
    virtual bool checkEntry(int32_t index, bool state);
    virtual bool checkEntryAlone(int32_t index);
    virtual bool isCheckEntry(int32_t index) const;
    int32_t getLastResult() const { return lastResult; }
    void setPrefixNumbers(int32_t digits) { prefixNumbers = digits; }
    // Entries per column of the open list (0: one column).
    void setNbItemsPerColumn(int32_t val) { nbItemsPerColumn = val; }
    int32_t getNbItemsPerColumn() const { return nbItemsPerColumn; }
    CMenuItemList* getItems() { return &items; }

    float getMin() const override { return 0.f; }
    float getMax() const override { return items.empty() ? 0.f : (float)(items.size() - 1); }

    // Opens the list below the control (above it when there is no room).
    virtual bool popup();
    // Opens the list with its top-left corner at frameLocation.
    bool popup(CFrame* frame, const CPoint& frameLocation);
    bool isPopupOpen() const { return popupOpen; }

    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
    int32_t onKeyDown(CKeyCode& keyCode) override;

    // Called by the open list: index -1 means closed without a choice.
    void popupClosed(int32_t index);

  protected:
    CMenuItemList items;
    SharedPointer<CBitmap> bgWhenClick;
    int32_t currentIndex = -1;
    int32_t lastResult = -1;
    int32_t prefixNumbers = 0;
    int32_t nbItemsPerColumn = 0;
    bool popupOpen = false;
};

} // namespace VSTGUI
