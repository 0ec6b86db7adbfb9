#include "platform/win32/forms.h"

#include <shlobj.h>

#include <cstdio>
#include <cstring>

#include "display/pictures.h"
#include "settings/settings.h"

TApplication *Application = nullptr;

static const wchar_t FormClass[] = L"TolvaneForm";
static const wchar_t ApplicationClass[] = L"TolvaneApplication";

// ---- Forms --------------------------------------------------------------------------

TWinForm::~TWinForm() {
  if (Handle) {
    SetWindowLongPtrW(Handle, GWLP_USERDATA, 0);
    DestroyWindow(Handle);
  }
}

void TWinForm::CreateHandle(int Width, int Height) {
  TCreateParams P{WS_POPUP, 0, 0, 0, Width, Height, Application ? Application->Handle : nullptr,
                  L""};
  CreateParams(P);
  Handle = CreateWindowExW(P.ExStyle, FormClass, P.Caption, P.Style, P.X, P.Y, P.Width, P.Height,
                           P.WndParent, nullptr, GetModuleHandleW(nullptr), this);
  if (!Handle) {
    wchar_t Text[96];
    std::swprintf(Text, 96, L"ウィンドウを作成できません (エラー %lu)", GetLastError());
    throw Exception(Text);
  }
}

void TWinForm::Show() {
  if (!Shown) {
    Shown = true;
    DoShow();
  }
  ShowWindow(Handle, SW_SHOW);
  SetForegroundWindow(Handle);
}

void TWinForm::Close() {
  bool CanClose = true;
  CloseQuery(CanClose);
  if (!CanClose) return;
  if (Application && Application->MainForm == this)
    Application->Terminate();
  else
    ShowWindow(Handle, SW_HIDE);
}

LRESULT TWinForm::WndProc(UINT Msg, WPARAM wParam, LPARAM lParam) {
  if (Msg == WM_CLOSE) {
    Close();
    return 0;
  }
  return DefWindowProcW(Handle, Msg, wParam, lParam);
}

LRESULT CALLBACK TWinForm::StaticWndProc(HWND Window, UINT Msg, WPARAM wParam, LPARAM lParam) {
  if (Msg == WM_NCCREATE) {
    auto *Form = static_cast<TWinForm *>(reinterpret_cast<CREATESTRUCTW *>(lParam)->lpCreateParams);
    Form->Handle = Window;
    SetWindowLongPtrW(Window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(Form));
  }
  auto *Form = reinterpret_cast<TWinForm *>(GetWindowLongPtrW(Window, GWLP_USERDATA));
  if (!Form) return DefWindowProcW(Window, Msg, wParam, lParam);
  return Form->WndProc(Msg, wParam, lParam);
}

// ---- Application --------------------------------------------------------------------

void TApplication::Initialize() {
  WNDCLASSEXW Class{};
  Class.cbSize = sizeof Class;
  Class.style = CS_OWNDC;  // the canvas keeps one device context, pen and all
  Class.lpfnWndProc = TWinForm::StaticWndProc;
  Class.hInstance = GetModuleHandleW(nullptr);
  Class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  Class.hbrBackground = nullptr;  // forms paint their own background
  Class.hIcon = LoadIconW(Class.hInstance, MAKEINTRESOURCEW(2));
  Class.lpszClassName = FormClass;
  RegisterClassExW(&Class);

  Class.style = 0;
  Class.lpfnWndProc = DefWindowProcW;
  Class.lpszClassName = ApplicationClass;
  RegisterClassExW(&Class);
  Handle = CreateWindowExW(0, ApplicationClass, Title.c_str(), WS_POPUP, 0, 0, 0, 0, nullptr,
                           nullptr, Class.hInstance, nullptr);
}

void TApplication::SetTitle(const std::wstring &NewTitle) {
  Title = NewTitle;
  if (Handle) SetWindowTextW(Handle, Title.c_str());
}

void TApplication::Run() {
  if (!MainForm) return;
  MainForm->Show();
  MSG Msg;
  while (GetMessageW(&Msg, nullptr, 0, 0) > 0) {
    bool Handled = false;
    if (OnMessage) OnMessage(Msg, Handled);
    if (Handled) continue;
    if (MainForm->IsDialog() && IsDialogMessageW(MainForm->Handle, &Msg)) continue;
    TranslateMessage(&Msg);
    DispatchMessageW(&Msg);
  }
}

void TApplication::ShowException(const Exception &E) {
  const std::wstring Text = E.Message + L".";
  MessageBoxW(Handle, Text.c_str(), Title.c_str(), MB_ICONERROR | MB_OK);
}

void TApplication::DestroyForms() {
  for (TWinForm *Form : Forms) delete Form;
  Forms.clear();
  MainForm = nullptr;
}

// ---- Pictures -----------------------------------------------------------------------

HBITMAP MakeBitmap(const TPicture &Picture, HDC Dc) {
  BITMAPINFO Info{};
  Info.bmiHeader.biSize = sizeof Info.bmiHeader;
  Info.bmiHeader.biWidth = Picture.Width;
  Info.bmiHeader.biHeight = -Picture.Height;  // top-down
  Info.bmiHeader.biPlanes = 1;
  Info.bmiHeader.biBitCount = 32;
  Info.bmiHeader.biCompression = BI_RGB;
  void *Bits = nullptr;
  HBITMAP Bitmap = CreateDIBSection(Dc, &Info, DIB_RGB_COLORS, &Bits, nullptr, 0);
  if (!Bitmap) return nullptr;
  auto *Pixels = static_cast<uint32_t *>(Bits);  // 0x00RRGGBB, as a DIB's BGRA bytes
  for (int i = 0; i < Picture.Width * Picture.Height; i++)
    Pixels[i] = Palette16[Picture.Pixels[i] & 15];
  return Bitmap;
}

HICON MakeIcon(const TPicture &Picture, const uint8_t *Mask) {
  HDC Screen = GetDC(nullptr);
  HBITMAP Color = MakeBitmap(Picture, Screen);
  ReleaseDC(nullptr, Screen);
  // A monochrome AND mask: 1 bits are transparent. Rows are padded to 16 bits.
  const int Stride = ((Picture.Width + 15) / 16) * 2;
  std::vector<uint8_t> Bits(size_t(Stride) * Picture.Height, 0);
  if (Mask)
    for (int y = 0; y < Picture.Height; y++)
      for (int x = 0; x < Picture.Width; x++)
        if (Mask[y * Picture.Width + x]) Bits[y * Stride + x / 8] |= uint8_t(0x80 >> (x % 8));
  HBITMAP MaskBitmap = CreateBitmap(Picture.Width, Picture.Height, 1, 1, Bits.data());
  ICONINFO Info{TRUE, 0, 0, MaskBitmap, Color};
  HICON Icon = CreateIconIndirect(&Info);
  DeleteObject(Color);
  DeleteObject(MaskBitmap);
  return Icon;
}

// ---- Canvas -------------------------------------------------------------------------

static COLORREF ColorRef(TColor C) { return RGB((C >> 16) & 0xFF, (C >> 8) & 0xFF, C & 0xFF); }

TGdiCanvas::TGdiCanvas(HWND Window) : Window(Window), Dc(GetDC(Window)) {
  SelectObject(Dc, GetStockObject(DC_PEN));
  SelectObject(Dc, GetStockObject(NULL_BRUSH));  // Arc draws no fill
  SetDCPenColor(Dc, RGB(0, 0, 0));
  for (int i = 0; i < 4; i++) {
    TBitmap &B = Bitmaps[i];
    B.Picture = SaverPictures[i];
    B.Dc = CreateCompatibleDC(Dc);
    B.Bitmap = MakeBitmap(*SaverPictures[i], Dc);
    B.Old = static_cast<HBITMAP>(SelectObject(B.Dc, B.Bitmap));
  }
}

TGdiCanvas::~TGdiCanvas() {
  for (TBitmap &B : Bitmaps) {
    SelectObject(B.Dc, B.Old);
    DeleteObject(B.Bitmap);
    DeleteDC(B.Dc);
  }
  ReleaseDC(Window, Dc);
}

HDC TGdiCanvas::SourceDc(const TPicture &Picture) {
  for (TBitmap &B : Bitmaps)
    if (B.Picture == &Picture) return B.Dc;
  return nullptr;
}

void TGdiCanvas::CopyRect(const TRect &D, const TImage &Source, const TRect &S) {
  if (HDC From = SourceDc(Source.Picture))
    StretchBlt(Dc, D.Left, D.Top, D.Right - D.Left, D.Bottom - D.Top, From, S.Left, S.Top,
               S.Right - S.Left, S.Bottom - S.Top, SRCCOPY);
}

void TGdiCanvas::FillRect(const TRect &R) {
  const RECT Rect{R.Left, R.Top, R.Right, R.Bottom};
  ::FillRect(Dc, &Rect, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}

void TGdiCanvas::SetPenColor(TColor C) { SetDCPenColor(Dc, ColorRef(C)); }

void TGdiCanvas::Arc(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t X3, int32_t Y3,
                     int32_t X4, int32_t Y4) {
  ::Arc(Dc, X1, Y1, X2, Y2, X3, Y3, X4, Y4);
}

// Markers are painted by the window: a change makes their old and new places repaint.
void TGdiCanvas::Invalidate(const TShape &Shape) {
  const RECT Rect{Shape.Left, Shape.Top, Shape.Left + Shape.Width, Shape.Top + Shape.Height};
  InvalidateRect(Window, &Rect, FALSE);
}
void TGdiCanvas::ShapeMoved(const TShape &Shape) { Invalidate(Shape); }
void TGdiCanvas::ShapeShown(const TShape &Shape) { Invalidate(Shape); }

void TGdiCanvas::Paint(HDC To, const TShape *const *Shapes, int Count) {
  RECT Client;
  GetClientRect(Window, &Client);
  ::FillRect(To, &Client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  // The DC brush takes each colour in turn: no brush is made per repaint.
  HBRUSH Brush = static_cast<HBRUSH>(GetStockObject(DC_BRUSH));
  for (int i = 0; i < Count; i++) {
    const TShape &S = *Shapes[i];
    if (!S.Visible) continue;
    const RECT Outer{S.Left, S.Top, S.Left + S.Width, S.Top + S.Height};
    const RECT Inner{S.Left + 1, S.Top + 1, S.Left + S.Width - 1, S.Top + S.Height - 1};
    SetDCBrushColor(To, ColorRef(S.PenColor));
    ::FillRect(To, &Outer, Brush);
    SetDCBrushColor(To, ColorRef(S.BrushColor));
    ::FillRect(To, &Inner, Brush);
  }
}

// ---- Settings path ------------------------------------------------------------------

// %APPDATA%\Tolvane.ini, or an empty string.
static std::string UserIniPath() {
  char Folder[MAX_PATH];
  if (SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, Folder) != S_OK)
    return {};
  std::string Path = std::string(Folder) + "\\Tolvane.ini";
  return Path.size() < IniPathSize ? Path : std::string();
}

void BuildIniPath() {
  // The per-user file, once it exists, is where the settings went when the system
  // directory could not be written: it is the newer one.
  const std::string User = UserIniPath();
  const DWORD Attributes =
      User.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(User.c_str());
  if (Attributes != INVALID_FILE_ATTRIBUTES && !(Attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    std::strcpy(IniPath, User.c_str());
    return;
  }
  const UINT Length = GetSystemDirectoryA(IniPath, IniPathSize);
  if (Length == 0 || Length + sizeof "\\Tolvane.ini" > IniPathSize) {
    IniPath[0] = '\0';
    return;
  }
  std::strcat(IniPath, "\\Tolvane.ini");
}

bool ReplaceFileWith(const char *Temp, const char *Path) {
  return MoveFileExA(Temp, Path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool SaveSettingsAnywhere() {
  if (SaveSettings()) return true;
  // The system directory is not writable for ordinary users: keep the settings per user.
  const std::string User = UserIniPath();
  if (User.empty() || User == IniPath) return false;
  std::strcpy(IniPath, User.c_str());
  return SaveSettings();
}
