#include "Maravel/main_menu.hpp"

namespace maravel {

const std::vector<Menu>& MainMenu::menus() {
  static const std::vector<Menu> menus = {
      {"Maravel", {{"Maravel'den Çık", "app.quit", "<Control>q"}}},
      {"Dosya",
       {{"Aç…", "win.open", "<Control>o"},
        {"Yazdır…", "win.print", "<Control>p"},
        {"PDF Olarak Kaydet…", "win.save-pdf", "<Control><Shift>s"},
        {"Word Belgesi Olarak Kaydet…", "win.save-docx", "<Control><Shift>d"},
        {"İmzaları Çevrimiçi Denetle", "win.check-signatures-online", ""}}},
      {"Düzen", {{"Kopyala", "win.copy", "<Control>c"}, {"Tümünü Seç", "win.select-all", "<Control>a"}}},
  };
  return menus;
}

}  // namespace maravel
