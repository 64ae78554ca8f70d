#include "Maravel/main_menu.hpp"

namespace maravel {

const std::vector<Menu>& MainMenu::menus() {
  static const std::vector<Menu> menus = {
      {"Maravel",
       {{"Klavye Kısayolları", "win.shortcuts", "<Control>question"},
        {"Maravel Hakkında", "win.about", ""},
        {"Maravel'den Çık", "app.quit", "<Control>q"}}},
      {"Dosya",
       {{"Aç…", "win.open", "<Control>o"},
        {"Yazdır…", "win.print", "<Control>p"},
        {"PDF Olarak Kaydet…", "win.save-pdf", "<Control><Shift>s"},
        {"Word Belgesi Olarak Kaydet…", "win.save-docx", "<Control><Shift>d"},
        {"İmzaları Çevrimiçi Denetle", "win.check-signatures-online", ""},
        {"Yeniden Yükle", "win.reload", "F5"},
        {"Pencereyi Kapat", "win.close", "<Control>w"}}},
      {"Düzen",
       {{"Kopyala", "win.copy", "<Control>c"},
        {"Tümünü Seç", "win.select-all", "<Control>a"},
        {"Bul…", "win.find", "<Control>f"},
        {"Sonrakini Bul", "win.find-next", "F3"},
        {"Öncekini Bul", "win.find-previous", "<Shift>F3"}}},
      {"Görünüm",
       {{"Sayfalar", "win.view::pages", "<Control>1"},
        {"Önizleme", "win.view::web", "<Control>2"},
        {"Yakınlaştır", "win.zoom-in", "<Control>plus"},
        {"Uzaklaştır", "win.zoom-out", "<Control>minus"},
        {"Gerçek Boyut", "win.zoom-reset", "<Control>0"},
        {"Sayfa Genişliği", "win.fit-width", ""},
        {"Tam Sayfa", "win.fit-page", ""},
        {"Sayfaya Git…", "win.go-to-page", "<Control>l"},
        {"Tam Ekran", "win.fullscreen", "F11"}}},
  };
  return menus;
}

}  // namespace maravel
