// Marked-up text: inline tags for fonts, colours, spacing, selection, images and links.

#include "core/UIRender.h"

#include <algorithm>
#include <climits>
#include <cwchar>
#include <cstdlib>
#include <vector>

#include "core/UIAttributeValues.h"
#include "core/UIManager.h"
#include "core/UIRect.h"

#include "Win32Handle.h"

namespace QxUI {

namespace {

// Ids of fonts created for tags; process-wide so that windows never hand out the same id twice.
int s_nextTagFontId = 30000;

ULONGLONG s_measuredChars = 0;

// Sizes asked for by a tag are kept in bounds: a font of tens of thousands of pixels takes the
// renderer's memory and time, and pen and line offsets must not run past int.
constexpr int kMaxTagFontSize = 500;
constexpr int kMaxTagOffset = 0x7FFF;
constexpr int kFarAway = 0x3FFFFFFF;

// Tags nest at most this deep: every line starts from a copy of the stacks, so deeper ones
// would make drawing quadratic. Tags beyond it push nothing (their closing tags still pop).
constexpr size_t kMaxTagDepth = 256;

template <class T, class V>
void Push(std::vector<T>& stack, V value)
{
    if (stack.size() < kMaxTagDepth)
        stack.push_back(value);
}

int ClampTagValue(int value, int low, int high)
{
    return std::max(low, std::min(value, high));
}

// The pixel extent of text, counted for GetMarkedUpMeasuredChars.
SIZE MeasureText(HDC hDC, const WCHAR* text, int length)
{
    SIZE size = {};
    if (length > 0) {
        s_measuredChars += static_cast<ULONGLONG>(length);
        ::GetTextExtentPoint32W(hDC, text, length, &size);
    }
    return size;
}

// How many characters of text fit into room pixels.
int CountFitting(HDC hDC, const WCHAR* text, int length, int room)
{
    if (length <= 0)
        return 0;
    s_measuredChars += static_cast<ULONGLONG>(length);
    int fit = 0;
    SIZE size = {};
    if (!::GetTextExtentExPointW(hDC, text, length, room, &fit, nullptr, &size))
        return 0;
    return fit;
}

bool IsBlank(WCHAR ch)
{
    return ch == L' ' || ch == L'\t';
}

bool IsTagEnd(WCHAR ch)
{
    return ch == L'>' || ch == L'}';
}

bool IsOpenBracket(WCHAR ch)
{
    return ch == L'<' || ch == L'{';
}

bool IsAsciiLetter(WCHAR ch)
{
    return (ch >= L'a' && ch <= L'z') || (ch >= L'A' && ch <= L'Z');
}

// "</r>" or "{/r}" (brackets may be of either kind) ends raw mode.
bool IsRawEnd(const WCHAR* p)
{
    return IsOpenBracket(p[0]) && p[1] == L'/' && p[2] == L'r' && IsTagEnd(p[3]);
}

// The escapes "<{>", "<}>", "{<}" and "{>}": the character they stand for, or 0.
WCHAR EscapedChar(const WCHAR* p)
{
    if (p[0] == L'<' && (p[1] == L'{' || p[1] == L'}') && p[2] == L'>')
        return p[1];
    if (p[0] == L'{' && (p[1] == L'<' || p[1] == L'>') && p[2] == L'}')
        return p[1];
    return 0;
}

struct Tag
{
    WCHAR letter = 0;
    bool closing = false;
    CUIString arg;
    const WCHAR* next = nullptr;   // first character after the tag
};

// An opening "<x ...>" / "{x ...}" or closing "</x>" tag at p; false when p is ordinary text.
bool ParseTag(const WCHAR* p, Tag& tag)
{
    if (!IsOpenBracket(p[0]))
        return false;
    const WCHAR* q = p + 1;
    tag.closing = *q == L'/';
    if (tag.closing)
        ++q;
    if (*q < L'a' || *q > L'z')
        return false;
    tag.letter = *q++;
    if (!tag.closing && !IsBlank(*q) && !IsTagEnd(*q))
        return false;
    const WCHAR* end = q;
    while (*end && !IsTagEnd(*end))
        ++end;
    // A tag that never ends is text, not a request to swallow the rest of the string.
    if (!*end)
        return false;
    while (q < end && IsBlank(*q))
        ++q;
    const WCHAR* argEnd = end;
    while (argEnd > q && IsBlank(argEnd[-1]))
        --argEnd;
    tag.arg.Assign(q, static_cast<int>(argEnd - q));
    tag.next = end + 1;
    return true;
}

// One whitespace-separated word of an argument list; advances p.
CUIString NextWord(const WCHAR*& p)
{
    while (IsBlank(*p))
        ++p;
    const WCHAR* start = p;
    while (*p && !IsBlank(*p))
        ++p;
    return CUIString(start, static_cast<int>(p - start));
}

// The quoted value of key='value' in an image description style argument.
CUIString QuotedValue(const CUIString& arg, LPCWSTR key)
{
    const int keyLength = static_cast<int>(wcslen(key));
    for (int at = arg.Find(key); at >= 0; at = arg.Find(key, at + 1)) {
        if (at > 0 && !IsBlank(arg.GetAt(at - 1)))
            continue;
        int i = at + keyLength;
        while (IsBlank(arg.GetAt(i)))
            ++i;
        if (arg.GetAt(i) != L'=')
            continue;
        ++i;
        while (IsBlank(arg.GetAt(i)))
            ++i;
        if (arg.GetAt(i) != L'\'')
            continue;
        const int start = i + 1;
        const int end = arg.Find(L'\'', start);
        if (end < 0)
            return CUIString();
        return arg.Mid(start, end - start);
    }
    return CUIString();
}

class MarkupPainter
{
public:
    MarkupPainter(HDC hDC, CUIWindowManager* manager, const RECT& rc, DWORD argb, RECT* linkRects,
                  CUIString* linkValues, int capacity, UINT style, const CUIString& hovered)
        : m_hDC(hDC), m_manager(manager), m_rc(rc), m_color(argb), m_linkRects(linkRects),
          m_linkValues(linkValues), m_capacity(linkRects && linkValues ? capacity : 0),
          m_style(style), m_drawing((style & DT_CALCRECT) == 0), m_hovered(hovered),
          m_widest(rc.left), m_lastBottom(rc.top)
    {
    }

    void Run(const WCHAR* text);

    int Recorded() const { return std::min(m_state.linkIndex, m_capacity); }
    int Widest() const { return m_widest; }
    int Bottom() const { return std::max(m_lastBottom, m_imageBottom); }

private:
    // Everything that a line's second pass must start from again.
    struct State
    {
        std::vector<CUIFontInfo*> fonts;
        std::vector<DWORD> colors;
        std::vector<int> spacings;
        const WCHAR* pos = nullptr;
        bool raw = false;
        bool selected = false;
        bool inLink = false;
        CUIString linkValue;
        POINT linkStart = {0, 0};
        int linkIndex = 0;
    };

    enum class Pass { Measure, Draw };

    int RunLine(Pass pass, int lineHeight);
    void HandleTag(const Tag& tag, Pass pass, int& lineHeight);
    void HandleImage(const Tag& tag, Pass pass, int& lineHeight, bool& deferred);
    bool HandleBlank(Pass pass);
    int HandleRun(const WCHAR* run, int length, Pass pass);
    const WCHAR* RunEnd(const WCHAR* p);
    void EndLink(bool record);
    void PopFont(int& lineHeight);

    CUIFontInfo* CurrentFont();
    const TEXTMETRICW& Metrics(CUIFontInfo* font);
    int FontLineHeight()
    {
        const TEXTMETRICW& tm = Metrics(CurrentFont());
        return tm.tmHeight + tm.tmExternalLeading;
    }
    int SpacingTop() const { return m_state.spacings.empty() ? 0 : m_state.spacings.back(); }
    CUIFontInfo* Variant(CUIFontInfo* base, bool bold, bool underline, bool italic);
    CUIFontInfo* FontFromFace(const CUIString& arg);
    void ApplyDcState();
    void ApplyColor();
    void RaiseLineHeight(int& lineHeight);
    void DrawRunText(const WCHAR* text, int length, int x);

    HDC m_hDC;
    CUIWindowManager* m_manager;
    RECT m_rc;
    DWORD m_color;
    RECT* m_linkRects;
    CUIString* m_linkValues;
    int m_capacity;
    UINT m_style;
    bool m_drawing;
    CUIString m_hovered;

    State m_state;
    int m_x = 0;
    int m_lineTop = 0;
    int m_drawHeight = 0;        // the measured height that the drawing pass stands pieces on
    int m_offset = 0;            // whole-line shift for multi-line centring and right alignment
    bool m_breakPending = false;
    int m_widest;
    int m_lineWidest = 0;
    int m_imageBottom = 0;
    int m_lastBottom;
    const WCHAR* m_runStart = nullptr;   // the last run found by RunEnd
    const WCHAR* m_runEnd = nullptr;
    bool m_runRaw = false;
};

CUIFontInfo* MarkupPainter::CurrentFont()
{
    if (!m_state.fonts.empty() && m_state.fonts.back())
        return m_state.fonts.back();
    return m_manager->GetDefaultFontEntry();
}

// The manager measures fonts on its paint DC; one without a DC leaves them to be measured here.
const TEXTMETRICW& MarkupPainter::Metrics(CUIFontInfo* font)
{
    if (font->tm.tmHeight == 0 && font->hFont) {
        HGDIOBJ old = ::SelectObject(m_hDC, font->hFont.Get());
        ::GetTextMetricsW(m_hDC, &font->tm);
        ::SelectObject(m_hDC, old);
    }
    return font->tm;
}

CUIFontInfo* MarkupPainter::Variant(CUIFontInfo* base, bool bold, bool underline, bool italic)
{
    LPCWSTR face = base->sFontName.GetData();
    HFONT font = m_manager->FindFontByStyle(face, base->iSize, bold, underline, italic);
    if (!font)
        font = m_manager->AddFont(s_nextTagFontId++, face, base->iSize, bold, underline, italic);
    return font ? m_manager->GetFontEntryByHandle(font) : nullptr;
}

// "face [size] [bold] [underline] [italic]".
CUIFontInfo* MarkupPainter::FontFromFace(const CUIString& arg)
{
    const WCHAR* p = arg.GetData();
    CUIString face = NextWord(p);
    int size = 10;
    bool bold = false, underline = false, italic = false;
    for (CUIString word = NextWord(p); !word.IsEmpty(); word = NextWord(p)) {
        word.MakeLower();
        if (word.GetAt(0) >= L'0' && word.GetAt(0) <= L'9')
            size = ClampTagValue(AttributeInt(word.GetData()), 0, kMaxTagFontSize);
        else if (word == L"bold")
            bold = true;
        else if (word == L"underline")
            underline = true;
        else if (word == L"italic")
            italic = true;
    }
    HFONT font = m_manager->FindFontByStyle(face.GetData(), size, bold, underline, italic);
    if (!font)
        font = m_manager->AddFont(s_nextTagFontId++, face.GetData(), size, bold, underline, italic);
    return font ? m_manager->GetFontEntryByHandle(font) : nullptr;
}

void MarkupPainter::ApplyColor()
{
    const DWORD color = m_state.colors.empty() ? m_color : m_state.colors.back();
    ::SetTextColor(m_hDC, ArgbToColorRef(color));
}

void MarkupPainter::ApplyDcState()
{
    ::SelectObject(m_hDC, CurrentFont()->hFont.Get());
    ApplyColor();
    ::SetBkMode(m_hDC, m_state.selected ? OPAQUE : TRANSPARENT);
}

void MarkupPainter::RaiseLineHeight(int& lineHeight)
{
    lineHeight = std::max(lineHeight, SpacingTop() + FontLineHeight());
}

void MarkupPainter::PopFont(int& lineHeight)
{
    if (!m_state.fonts.empty()) {
        CUIFontInfo* left = CurrentFont();
        m_state.fonts.pop_back();
        CUIFontInfo* top = CurrentFont();
        if (left->bItalic && !top->bItalic) {
            // Italic glyphs lean past their cell; leave room before upright text.
            HGDIOBJ old = ::SelectObject(m_hDC, left->hFont.Get());
            ABC abc = {};
            if (::GetCharABCWidthsW(m_hDC, L' ', L' ', &abc))
                m_x += static_cast<int>(abc.abcC) / 2;
            ::SelectObject(m_hDC, old);
        }
    }
    ::SelectObject(m_hDC, CurrentFont()->hFont.Get());
    RaiseLineHeight(lineHeight);
}

void MarkupPainter::EndLink(bool record)
{
    if (!m_state.inLink)
        return;
    if (record && m_state.linkIndex < m_capacity) {
        const TEXTMETRICW& tm = Metrics(CurrentFont());
        m_linkRects[m_state.linkIndex] = RECT{m_state.linkStart.x, m_state.linkStart.y, m_x,
                                             m_lineTop + tm.tmHeight + tm.tmExternalLeading};
    }
    ++m_state.linkIndex;
    m_state.inLink = false;
}

void MarkupPainter::DrawRunText(const WCHAR* text, int length, int x)
{
    const TEXTMETRICW& tm = Metrics(CurrentFont());
    const int top = m_lineTop + m_drawHeight - tm.tmHeight - tm.tmExternalLeading;
    ::TextOutW(m_hDC, x + m_offset, top, text, length);
}

void MarkupPainter::HandleTag(const Tag& tag, Pass pass, int& lineHeight)
{
    const bool record = pass == Pass::Measure;
    if (tag.closing) {
        switch (tag.letter) {
        case L'a':
            EndLink(record);
            if (!m_state.colors.empty())
                m_state.colors.pop_back();
            ApplyColor();
            PopFont(lineHeight);
            break;
        case L'b':
        case L'f':
        case L'i':
        case L'u':
            PopFont(lineHeight);
            break;
        case L'c':
            if (!m_state.colors.empty())
                m_state.colors.pop_back();
            ApplyColor();
            break;
        case L'p':
            if (!m_state.spacings.empty())
                m_state.spacings.pop_back();
            RaiseLineHeight(lineHeight);
            if (m_x > m_rc.left)
                m_breakPending = true;
            break;
        case L'r':
            m_state.raw = false;
            break;
        case L's':
            m_state.selected = !m_state.selected;
            ::SetBkMode(m_hDC, m_state.selected ? OPAQUE : TRANSPARENT);
            break;
        default:
            break;
        }
        return;
    }

    switch (tag.letter) {
    case L'a': {
        EndLink(record);   // a link inside a link ends the outer one
        if (record && m_state.linkIndex < m_capacity)
            m_linkValues[m_state.linkIndex] = tag.arg;
        const bool hot = !m_hovered.IsEmpty() && m_hovered == tag.arg.GetData();
        Push(m_state.colors, hot ? m_manager->GetLinkHoverTextColor()
                                     : m_manager->GetLinkTextColor());
        ApplyColor();
        CUIFontInfo* font = CurrentFont();
        Push(m_state.fonts, font->bUnderline
                                    ? font
                                    : Variant(font, font->bBold, true, font->bItalic));
        ::SelectObject(m_hDC, CurrentFont()->hFont.Get());
        m_state.inLink = true;
        m_state.linkValue = tag.arg;
        m_state.linkStart = POINT{m_x, m_lineTop};
        break;
    }
    case L'b':
    case L'u': {
        CUIFontInfo* font = CurrentFont();
        const bool bold = tag.letter == L'b';
        if (bold ? font->bBold : font->bUnderline)
            break;
        Push(m_state.fonts, Variant(font, font->bBold || bold, font->bUnderline || !bold,
                                        font->bItalic));
        ::SelectObject(m_hDC, CurrentFont()->hFont.Get());
        RaiseLineHeight(lineHeight);
        break;
    }
    case L'c':
        // Arguments come without leading blanks.
        Push(m_state.colors, AttributeHexColor(tag.arg.GetData()));
        ApplyColor();
        break;
    case L'f': {
        const WCHAR first = tag.arg.GetAt(0);
        CUIFontInfo* font = (first >= L'0' && first <= L'9')
                                ? m_manager->GetFontEntry(AttributeInt(tag.arg.GetData()))
                                : FontFromFace(tag.arg);
        Push(m_state.fonts, font);
        ::SelectObject(m_hDC, CurrentFont()->hFont.Get());
        RaiseLineHeight(lineHeight);
        break;
    }
    case L'n':
        // In single-line mode this ends the only line drawn.
        m_breakPending = true;
        break;
    case L'p':
        Push(m_state.spacings, ClampTagValue(AttributeInt(tag.arg.GetData()), -kMaxTagOffset,
                                                 kMaxTagOffset));
        lineHeight = std::max(lineHeight, SpacingTop() + FontLineHeight());
        break;
    case L'r':
        m_state.raw = true;
        break;
    case L's':
        m_state.selected = !m_state.selected;
        ::SetBkMode(m_hDC, m_state.selected ? OPAQUE : TRANSPARENT);
        break;
    case L'x':
        // The pen stays between the edges: far to the left it would make a line of any length.
        m_x = ClampTagValue(m_x + ClampTagValue(AttributeInt(tag.arg.GetData()), -kMaxTagOffset,
                                                kMaxTagOffset),
                            m_rc.left, m_rc.right);
        m_widest = std::max(m_widest, m_x);
        m_lineWidest = std::max(m_lineWidest, m_x);
        break;
    case L'y':
        lineHeight = ClampTagValue(AttributeInt(tag.arg.GetData()), 0, kMaxTagOffset);
        break;
    default:
        break;
    }
}

void MarkupPainter::HandleImage(const Tag& tag, Pass pass, int& lineHeight, bool& deferred)
{
    deferred = false;
    CUIString name;
    CUIString type;
    int frames = 1;
    int frame = 0;
    if (tag.arg.Find(L'=') >= 0) {
        name = QuotedValue(tag.arg, L"file");
        if (name.IsEmpty()) {
            name = QuotedValue(tag.arg, L"res");
            type = QuotedValue(tag.arg, L"restype");
        }
    } else {
        const WCHAR* p = tag.arg.GetData();
        name = NextWord(p);
        CUIString count = NextWord(p);
        if (!count.IsEmpty())
            frames = std::max(1, AttributeInt(count.GetData()));
        CUIString index = NextWord(p);
        if (!index.IsEmpty())
            frame = AttributeInt(index.GetData());
        if (frame < 0 || frame >= frames)
            frame = 0;
    }

    CUIImageInfo* image = m_manager->GetImageOrLoad(name.GetData(),
                                                    type.IsEmpty() ? nullptr : type.GetData(), 0,
                                                    false);
    if (!image || !image->hBitmap)
        return;
    const int width = frames > 1 ? image->nX / frames : image->nX;
    const int height = image->nY;
    if (m_x + width > m_rc.right && m_x > m_rc.left && (m_style & DT_SINGLELINE) == 0) {
        m_breakPending = true;
        deferred = true;
        return;
    }
    if (pass == Pass::Draw) {
        int bottom = m_lineTop + m_drawHeight;
        if (height < m_drawHeight)
            bottom -= (m_drawHeight - height) / 2;
        const RECT dest = {m_x + m_offset, bottom - height, m_x + m_offset + width, bottom};
        const RECT source = {width * frame, 0, width * (frame + 1), height};
        const RECT corners = {0, 0, 0, 0};
        CUIPainter::DrawImage(m_hDC, image->hBitmap.Get(), dest, dest, source, corners,
                              image->bAlpha, 255);
    }
    m_x += width;
    m_widest = std::max(m_widest, m_x);
    m_lineWidest = std::max(m_lineWidest, m_x);
    lineHeight = std::max(lineHeight, height);
    m_imageBottom = std::max(m_imageBottom, m_lineTop + height);
}

// A single blank; at the right edge it ends the line instead of being drawn.
bool MarkupPainter::HandleBlank(Pass pass)
{
    const SIZE size = MeasureText(m_hDC, L" ", 1);
    if (m_x + size.cx > m_rc.right && m_x > m_rc.left) {
        m_breakPending = true;
        return true;
    }
    if (pass == Pass::Draw)
        DrawRunText(L" ", 1, m_x);
    m_x += size.cx;
    m_widest = std::max(m_widest, m_x);
    m_lineWidest = std::max(m_lineWidest, m_x);
    return true;
}

// Fits as much of the run as the line holds and draws it; returns the characters consumed.
int MarkupPainter::HandleRun(const WCHAR* run, int length, Pass pass)
{
    const TEXTMETRICW& tm = Metrics(CurrentFont());
    const int maxChar = std::max<int>(1, tm.tmMaxCharWidth);
    // Never below 0 and never more than the run: the window below counts characters of it.
    const int room = static_cast<int>(
        std::clamp<LONGLONG>(static_cast<LONGLONG>(m_rc.right) - m_x, 0, INT_MAX));
    int fit = length;
    bool overflow = false;
    // Characters that fit even at the widest glyph need no measuring. Beyond them the run is
    // measured in windows that double, so a line costs about what it holds, however long the
    // run: measuring every prefix again made long runs quadratic.
    if (static_cast<LONGLONG>(length) * maxChar >= room) {
        int window = std::min(length, room / maxChar + 16);
        for (;;) {
            const int fitting = CountFitting(m_hDC, run, window, room);
            if (fitting < window) {
                fit = fitting;
                overflow = true;
                break;
            }
            if (window == length)
                break;
            window = static_cast<int>(std::min<LONGLONG>(length, 2LL * window));
        }
        if (overflow) {
            // Whole characters only: a surrogate pair is never split.
            if (fit > 0 && IS_LOW_SURROGATE(run[fit]) && IS_HIGH_SURROGATE(run[fit - 1]))
                --fit;
            if (fit == 0 && m_x <= m_rc.left)   // at least one character per line
                fit = (length > 1 && IS_HIGH_SURROGATE(run[0]) && IS_LOW_SURROGATE(run[1])) ? 2 : 1;
        }
    }

    bool ellipsis = false;
    if (overflow) {
        if (m_style & DT_WORDBREAK) {
            int cut = -1;
            for (int i = fit - 1; i >= 0; --i) {
                if (!IsAsciiLetter(run[i])) {
                    cut = i + 1;
                    break;
                }
            }
            if (cut > 0)
                fit = cut;
            else if (m_x > m_rc.left)
                fit = 0;   // a word that does not fit moves whole to the next line
        }
        if (m_style & DT_END_ELLIPSIS) {
            ellipsis = true;
            const int drop = fit >= 2 ? 2 : fit;
            fit -= drop;
        }
        m_breakPending = true;
    }

    const SIZE size = MeasureText(m_hDC, run, fit);
    if (pass == Pass::Draw) {
        if (fit > 0)
            DrawRunText(run, fit, m_x);
        if (ellipsis)
            DrawRunText(L"...", 3, m_x + size.cx);
    }
    m_x += size.cx;
    if (ellipsis) {
        const SIZE dots = MeasureText(m_hDC, L"...", 3);
        m_x = std::max<int>(m_x + dots.cx, m_rc.right);
    }
    m_widest = std::max(m_widest, std::min<int>(m_x, m_rc.right));
    m_lineWidest = std::max(m_lineWidest, std::min<int>(m_x, m_rc.right));

    // The cut-off characters of an ellipsised run are not carried to the next line.
    return ellipsis ? length : fit;
}

// Where the run starting at p ends. A long run spreads over many lines, and each line and pass
// starts inside it again: the end found once is kept, or finding it would be quadratic.
const WCHAR* MarkupPainter::RunEnd(const WCHAR* p)
{
    if (p >= m_runStart && p < m_runEnd && m_state.raw == m_runRaw)
        return m_runEnd;
    const WCHAR* end = p;
    if (m_state.raw) {
        while (*end && *end != L'\n' && *end != L' ' && !IsRawEnd(end))
            ++end;
    } else {
        // An opening bracket that is not a tag or escape is text: take it with the run.
        ++end;
        while (*end && *end != L'\n' && *end != L' ' && !IsOpenBracket(*end))
            ++end;
    }
    m_runStart = p;
    m_runEnd = end;
    m_runRaw = m_state.raw;
    return end;
}

// Processes one line from the current state; returns its height.
int MarkupPainter::RunLine(Pass pass, int drawHeight)
{
    const bool record = pass == Pass::Measure;
    m_x = m_rc.left;
    m_lineWidest = m_rc.left;
    m_breakPending = false;
    m_drawHeight = drawHeight;
    int lineHeight = SpacingTop() + FontLineHeight();
    if (m_state.inLink)
        m_state.linkStart = POINT{m_rc.left, m_lineTop};

    bool endedByNewline = false;
    const WCHAR*& p = m_state.pos;
    while (*p && !m_breakPending && m_x < m_rc.right) {
        if (*p == L'\n') {
            ++p;
            endedByNewline = true;
            break;
        }
        if (m_state.raw) {
            if (IsRawEnd(p)) {
                m_state.raw = false;
                p += 4;
                continue;
            }
        } else if (IsOpenBracket(*p)) {
            if (WCHAR ch = EscapedChar(p)) {
                if (HandleRun(&ch, 1, pass) > 0)
                    p += 3;
                continue;
            }
            Tag tag;
            if (ParseTag(p, tag)) {
                if (!tag.closing && tag.letter == L'i' && !tag.arg.IsEmpty()) {
                    bool deferred = false;
                    HandleImage(tag, pass, lineHeight, deferred);
                    if (!deferred)
                        p = tag.next;
                } else if (!tag.closing && tag.letter == L'i') {
                    CUIFontInfo* font = CurrentFont();
                    if (!font->bItalic) {
                        Push(m_state.fonts, Variant(font, font->bBold, font->bUnderline, true));
                        ::SelectObject(m_hDC, CurrentFont()->hFont.Get());
                    }
                    RaiseLineHeight(lineHeight);
                    p = tag.next;
                } else if (!tag.closing && tag.letter == L'p' && m_x > m_rc.left) {
                    m_breakPending = true;   // the paragraph starts on a line of its own
                } else {
                    p = tag.next;
                    HandleTag(tag, pass, lineHeight);
                }
                continue;
            }
        }
        if (*p == L' ') {
            HandleBlank(pass);
            ++p;
            continue;
        }
        p += HandleRun(p, static_cast<int>(RunEnd(p) - p), pass);
    }

    // A line that ended at the edge swallows the line feed that would end it again.
    if (!endedByNewline && *p == L'\n')
        ++p;

    // A link still open continues on the next line in a slot of its own.
    if (m_state.inLink) {
        if (record && m_state.linkIndex < m_capacity) {
            m_linkRects[m_state.linkIndex] =
                RECT{m_state.linkStart.x, m_state.linkStart.y, std::min<int>(m_x, m_rc.right),
                     m_lineTop + lineHeight};
        }
        ++m_state.linkIndex;
        if (record && m_state.linkIndex < m_capacity)
            m_linkValues[m_state.linkIndex] = m_state.linkValue;
    }
    return lineHeight;
}

void MarkupPainter::Run(const WCHAR* text)
{
    m_state.pos = text;
    m_lineTop = m_rc.top;
    ApplyDcState();
    // Empty text still measures one line high, as plain text does.
    m_lastBottom = m_rc.top + SpacingTop() + FontLineHeight();
    while (*m_state.pos) {
        if (m_drawing && m_lineTop >= m_rc.bottom)
            break;
        const int firstLink = Recorded();
        int lineHeight = 0;
        if (m_drawing) {
            const State start = m_state;
            lineHeight = RunLine(Pass::Measure, 0);
            const int lineWidth = m_lineWidest - m_rc.left;
            const int room = std::max<int>(0, (m_rc.right - m_rc.left) - lineWidth);
            m_offset = 0;
            if ((m_style & DT_SINGLELINE) == 0) {
                if (m_style & DT_CENTER)
                    m_offset = room / 2;
                else if (m_style & DT_RIGHT)
                    m_offset = room;
            }
            for (int i = firstLink; i < Recorded(); ++i) {
                m_linkRects[i].left += m_offset;
                m_linkRects[i].right += m_offset;
            }
            m_state = start;
            ApplyDcState();
            RunLine(Pass::Draw, lineHeight);
        } else {
            lineHeight = RunLine(Pass::Measure, 0);
        }
        for (int i = firstLink; i < Recorded(); ++i)
            m_linkRects[i].bottom = m_lineTop + lineHeight;
        m_lastBottom = m_lineTop + lineHeight;
        if (m_style & DT_SINGLELINE)
            break;
        // Offsets are bounded but lines are not: the top stops far below any screen.
        m_lineTop = static_cast<int>(std::max<LONGLONG>(
            -kFarAway, std::min<LONGLONG>(kFarAway, static_cast<LONGLONG>(m_lineTop) + lineHeight)));
    }
}

} // namespace

ULONGLONG CUIPainter::GetMarkedUpMeasuredChars()
{
    return s_measuredChars;
}

void CUIPainter::DrawMarkedUpText(HDC hDC, CUIWindowManager* manager, RECT& rc, LPCWSTR text,
                                  DWORD argb, RECT* linkRects, CUIString* linkValues,
                                  int& linkCount, UINT style)
{
    const int capacity = linkCount;
    // Nothing drawn records no link: the caller's count must not keep the capacity.
    linkCount = 0;
    if (!text || !manager || !hDC)
        return;
    // Edges far off screen are drawn as if there: widths and offsets from them stay in int.
    CUIRect area(rc);
    area.Clamp();
    if (::IsRectEmpty(&area))
        return;
    rc = area;

    CUIString expanded(text);
    CUIWindowManager::ExpandLanguageRefs(expanded);
    const bool drawing = (style & DT_CALCRECT) == 0;
    // Drawing stays inside the rectangle given, wherever alignment moves it.
    const RECT bounds = rc;

    if (drawing && (style & (DT_CENTER | DT_RIGHT | DT_VCENTER | DT_BOTTOM))) {
        // Wrapped text is measured at the width it will wrap to, or it would be centred as one
        // line and its other lines fall below the moved rectangle.
        const LONG measureWidth = (style & DT_SINGLELINE) ? 9999 : rc.right - rc.left;
        RECT measured = {0, 0, measureWidth, 100};
        int none = 0;
        DrawMarkedUpText(hDC, manager, measured, expanded.GetData(), argb, nullptr, nullptr, none,
                         style | DT_CALCRECT);
        const int width = measured.right - measured.left;
        const int height = measured.bottom - measured.top;
        // Too wide a text with an end ellipsis stays at its start: in a widened rectangle it
        // would fit, and be cut off at the edges without its dots.
        const bool keepsEllipsis = (style & DT_END_ELLIPSIS) && width > rc.right - rc.left;
        if ((style & DT_SINGLELINE) && !keepsEllipsis) {
            if (style & DT_CENTER) {
                rc.left = rc.left + (rc.right - rc.left) / 2 - width / 2;
                rc.right = rc.left + width;
            } else if (style & DT_RIGHT) {
                rc.left = rc.right - width;
            }
        }
        if (style & DT_VCENTER) {
            rc.top = rc.top + (rc.bottom - rc.top) / 2 - height / 2;
            rc.bottom = rc.top + height;
        } else if (style & DT_BOTTOM) {
            rc.top = rc.bottom - height;
        }
    }

    // Whoever hovers a link piece hovers every piece with the same value.
    CUIString hovered;
    if (linkRects && linkValues) {
        const POINT mouse = manager->GetMousePoint();
        for (int i = 0; i < capacity; ++i) {
            if (::PtInRect(&linkRects[i], mouse)) {
                hovered = linkValues[i];
                break;
            }
        }
    }

    // The fonts of the text are selected as it is laid out; the caller's comes back at the end.
    const win32::SelectScope restoreFont(hDC, ::GetCurrentObject(hDC, OBJ_FONT));
    const int oldBkMode = ::GetBkMode(hDC);
    const COLORREF oldBkColor = ::SetBkColor(hDC, ArgbToColorRef(manager->GetSelectedColor()));
    {
        CUIClip clip;
        if (drawing)
            CUIClip::ClipToRect(hDC, bounds, clip);
        MarkupPainter painter(hDC, manager, rc, argb, linkRects, linkValues, capacity, style,
                              hovered);
        painter.Run(expanded.GetData());
        linkCount = painter.Recorded();
        if (!drawing) {
            rc.bottom = painter.Bottom();
            rc.right = std::min<int>(rc.right, painter.Widest());
        }
    }
    ::SetBkMode(hDC, oldBkMode);
    ::SetBkColor(hDC, oldBkColor);
}

void CUIPainter::DrawTextMarkedUpOrNot(HDC hDC, CUIWindowManager* manager, RECT& rc, LPCWSTR text,
                                       DWORD argb, int font, UINT style, bool markedUp)
{
    if (!markedUp) {
        DrawText(hDC, manager, rc, text, argb, font, style);
        return;
    }
    int none = 0;
    DrawMarkedUpText(hDC, manager, rc, text, argb, nullptr, nullptr, none, style);
}

} // namespace QxUI
