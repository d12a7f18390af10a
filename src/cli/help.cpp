#include "cli/help.h"

#include <algorithm>
#include <sstream>

#include "cli/command.h"
#include "kinevo_version.h"

namespace kinevo::cli {

namespace {

const std::string kBackend =
    "Back-end de lecture : vfw (lecteur AVI intégré), ds (bibliothèques FFmpeg, "
    "tous les formats qu'elles lisent) ou ffmpeg (greffon KvoVff du dossier KvoDll). "
    "Par défaut, celui que le programme choisit pour ce fichier.";
const std::string kVideoOption =
    "Vidéo à utiliser à la place de celle que nomme le document (vidéo déplacée ou "
    "renommée).";
const std::string kDecimal =
    "Séparateur décimal des nombres écrits (par défaut : celui du système).";
const std::string kUncertainties =
    "Ajoute après chaque colonne l'incertitude-type de ses valeurs (u(x), u(vx) ...), tirée "
    "de l'incertitude de pointage du document ; le texte des résultats finit par "
    "l'incertitude relative de l'échelle, commune à toutes les longueurs.";
const std::string kLayer =
    "Résultats du pointage sur transparent au lieu du pointage sur repère fixe.";

std::vector<CommandHelp> MakeHelp() {
  return {
      {"annotate",
       "DOC.kvo -o SORTIE.mp4|.avi [--trail N|all] [--vectors speed|acceleration] [--slow F] "
       "[--system N] [--layer] [--video CHEMIN]",
       "Vidéo annotée de l'analyse : chaque image de la vidéo avec les marques jusqu'à elle, le "
       "repère, l'échelle et, si demandé, les vecteurs vitesse ou accélération du moment. En AVI "
       "(enregistreur intégré, MJPEG) ou en MP4 (H.264, quand FFmpeg a ce codeur). Le fichier "
       "est écrit en entier ou pas du tout. Affiche « images: N », le nombre d'images écrites.",
       {{"--trail N|all",
         "Marques des N dernières images marquées seulement, ou toutes (par défaut)."},
        {"--vectors speed|acceleration", "Vecteur vitesse ou accélération de la dernière marque."},
        {"--slow F", "Ralenti : chaque image est écrite F fois (1 à 100)."},
        {"--system N", "Seul point montré, numéroté à partir de 1 (par défaut : tous)."},
        {"--layer", "Marques du pointage sur transparent."},
        {"--video CHEMIN", kVideoOption},
        {"-o SORTIE", "Fichier écrit : .mp4 ou .avi."}}},
      {"capture",
       "--list | --device NOM|NUMERO [--format LxH] [--rate R] [--codec none|mjpeg|ffv1] "
       "[--delay S] [--seconds S] -o SORTIE.avi",
       "Avec --list, affiche les caméras, une par ligne : « NUMERO: NOM ».\n\n"
       "Sinon, filme comme le mode Capture : le compte à rebours de --delay secondes, puis "
       "--seconds secondes d'enregistrement (ou jusqu'à Ctrl-C) ; le film est ensuite placé "
       "dans SORTIE.avi (« .avi » est ajouté s'il manque). Affiche à la fin « captured: N » "
       "et « dropped: N » (images enregistrées et images perdues).",
       {{"--list", "Liste des caméras."},
        {"--device NOM|NUMERO", "Caméra utilisée, par son nom ou son numéro dans la liste."},
        {"--format LxH", "Taille des images en pixels."},
        {"--rate R", "Images par seconde."},
        {"--codec none|mjpeg|ffv1", "Compression des images du film."},
        {"--delay S", "Compte à rebours avant l'enregistrement, en secondes."},
        {"--seconds S", "Durée de l'enregistrement, en secondes."},
        {"-o SORTIE.avi", "Film écrit."}}},
      {"decode-all",
       "FICHIER [--backend vfw|ds|ffmpeg]",
       "Décode toutes les images d'une vidéo, dans l'ordre, et affiche leur nombre "
       "(« images: N ») et une somme de contrôle de leurs pixels (« checksum: … », 16 chiffres "
       "hexadécimaux). Sert à vérifier qu'un fichier se lit en entier et que deux back-ends "
       "donnent les mêmes images.",
       {{"--backend vfw|ds|ffmpeg", kBackend}}},
      {"dump",
       "DOC.kvo [--video CHEMIN]",
       "Affiche l'analyse d'un document telle que le programme la lit : vidéo, échelle, "
       "origine et axes, base de temps, points et leurs marques image par image, dans les "
       "deux modes de pointage, une valeur « clé: valeur » par ligne.",
       {{"--video CHEMIN", kVideoOption}}},
      {"eval",
       "EXPRESSION [NOM=VALEUR ...] [--degres]",
       "Calcule une expression comme le font les formules du programme et affiche sa "
       "valeur, ou le message de l'analyseur avec la position de l'erreur. Les nombres "
       "s'écrivent avec un point décimal, dans l'expression comme dans le résultat.\n\n"
       "Chaque NOM=VALEUR donne une valeur à une variable de l'expression ; la dernière "
       "affectation d'un nom l'emporte.",
       {{"--degres", "Angles des fonctions trigonométriques en degrés (par défaut : radians)."}}},
      {"export",
       "DOC.kvo --format txt|csv|xlsx|ods -o FICHIER [--layer] [--video CHEMIN] [--decimal ,|.] "
       "[--uncertainties]",
       "Écrit le tableau des valeurs d'un document, avec tous les groupes de grandeurs, "
       "comme la fenêtre des résultats le présente : texte séparé par des tabulations (txt), "
       "CSV, classeur Excel (xlsx) ou OpenDocument (ods). Les nombres y restent des "
       "nombres et les lignes d'en-tête du texte.",
       {{"--format txt|csv|xlsx|ods", "Format du fichier écrit."},
        {"-o FICHIER", "Fichier écrit (remplacé s'il existe)."},
        {"--layer", kLayer},
        {"--video CHEMIN", kVideoOption},
        {"--decimal ,|.", kDecimal},
        {"--uncertainties", kUncertainties}}},
      {"fit",
       "DOC.kvo --y GRANDEUR [--x t|GRANDEUR] [--system N] [--layer] [--video CHEMIN] "
       "[--weighted] --model "
       "constant|proportional|line|parabola|exponential|sine|damped-sine|dry-friction",
       "Ajuste un modèle à une courbe des résultats, comme la modélisation de la fenêtre des "
       "résultats, et affiche ses paramètres avec leurs incertitudes-types "
       "(« nom = valeur ± incertitude »), les indicateurs de l'ajustement (rms, precision …) "
       "et l'équation affichée sur le graphe. GRANDEUR est l'une de x, y, vx, vy, v, ax, ay, a, "
       "theta, R, omega.",
       {{"--y GRANDEUR", "Grandeur en ordonnée."},
        {"--x t|GRANDEUR", "Grandeur en abscisse (par défaut : le temps t)."},
        {"--system N", "Point étudié, numéroté à partir de 1 (par défaut : 1)."},
        {"--layer", kLayer},
        {"--video CHEMIN", kVideoOption},
        {"--weighted",
         "Pondère chaque point par 1/u², u étant l'incertitude-type que les marques lui donnent ; "
         "les incertitudes des paramètres en découlent, et s'affichent chi2, ndf (degrés de "
         "liberté), reduced_chi2 et si le modèle est compatible avec les mesures."},
        {"--model constant|proportional|line|parabola|exponential|sine|damped-sine|dry-friction",
         "Modèle ajusté : constante, proportionnel, affine, parabole, exponentielle, "
         "sinusoïde, sinusoïde amortie ou oscillation à frottement solide."}}},
      {"frame",
       "FICHIER N [N ...] -o SORTIE [--backend vfw|ds|ffmpeg]",
       "Écrit l'image N de la vidéo (numéro dans le fichier, compté à partir de 0) en PNG, "
       "ou en PPM quand SORTIE se termine par « .ppm ». Avec plusieurs images, SORTIE "
       "contient « %d », remplacé par le numéro de chaque image. Les images sont lues dans "
       "l'ordre donné.",
       {{"-o SORTIE", "Fichier image écrit, ou modèle de noms contenant « %d »."},
        {"--backend vfw|ds|ffmpeg", kBackend}}},
      {"graph",
       "DOC.kvo --view time|trajectory|vectors|formulas [--quantity GRANDEUR] [--systems "
       "1,2,...] [--reference N] [--vector speed|acceleration] [--layer] [--size LxH] "
       "[--ranges] [--uncertainties] [--video CHEMIN] -o SORTIE.svg|.png|.pdf",
       "Dessine, sans fenêtre, une vue graphique de la fenêtre des résultats avec ses "
       "réglages par défaut, dans un fichier SVG, PNG ou PDF selon l'extension de SORTIE.",
       {{"--view time|trajectory|vectors|formulas",
         "Vue dessinée : grandeur en fonction du temps, trajectoire, vecteurs vitesse ou "
         "accélération sur la trajectoire, ou courbes des formules."},
        {"--quantity x|y|vx|vy|v|ax|ay|a|theta|R|omega",
         "Grandeur de la vue « time » (par défaut : x)."},
        {"--systems 1,2,...", "Points dessinés (par défaut : tous), numérotés à partir de 1."},
        {"--reference N",
         "Point pris comme référence de la trajectoire (mouvement relatif), numéroté à partir "
         "de 1."},
        {"--vector speed|acceleration", "Vecteurs de la vue « vectors » (par défaut : vitesse)."},
        {"--layer", kLayer},
        {"--size LxH", "Taille du dessin en pixels (par défaut : 800x600)."},
        {"--ranges", "Affiche les bornes des axes : « ranges: xmin=… xmax=… ymin=… ymax=… »."},
        {"--uncertainties",
         "Barres d'incertitude sur les points de la vue « time », et modèle ajusté en "
         "pondérant chaque point par 1/u², avec χ² et sa conclusion dans la boîte du modèle."},
        {"--video CHEMIN", kVideoOption},
        {"-o SORTIE", "Fichier écrit : .svg, .png ou .pdf."}}},
      {"join",
       "IMAGE... --rate R -o SORTIE.avi [--codec sans|MJPEG]",
       "Fait une vidéo à partir d'images (comme « Images en vidéo » du mode Montage), prises "
       "dans l'ordre naturel de leurs noms (image2 avant image10).",
       {{"--rate R", "Images par seconde de la vidéo."},
        {"-o SORTIE.avi", "Vidéo écrite."},
        {"--codec sans|MJPEG", "Compression des images (par défaut : la première offerte)."}}},
      {"lens",
       "VIDEO --image N --line X,Y X,Y X,Y ... [--line X,Y ...]... [--backend vfw|ds|ffmpeg]",
       "Estime la correction de l'objectif (« Correction de l'objectif ») à partir de points "
       "pris le long de bords droits dans la réalité, que l'objectif courbe. Le modèle est "
       "radial autour du centre de l'image : un point montré à la distance r du centre, en "
       "demi-diagonales de l'image, est à r·(1 + k1·r² + k2·r⁴) dans l'image corrigée (k1 "
       "positif pour un objectif grand angle, qui montre les droites en barillet). k1 et k2 sont "
       "ajustés pour que les "
       "points corrigés de chaque ligne soient alignés ; affiche « k1 = … », « k2 = … » et "
       "« residual = … px », l'écart moyen (rms) qui reste entre les points corrigés et leurs "
       "droites, en pixels.",
       {{"--image N",
         "Image (numéro dans le fichier, à partir de 0) sur laquelle les points sont pris."},
        {"--line X,Y X,Y X,Y ...",
         "Points d'un même bord droit, en pixels de l'image telle qu'elle est montrée (au "
         "moins trois, distincts) ; l'option se répète, une fois par bord, au moins deux "
         "fois. Des bords éloignés du centre donnent la meilleure estimation."},
        {"--backend vfw|ds|ffmpeg", kBackend}}},
      {"montage",
       "DOC.kvo -o SORTIE.avi [--backend vfw|ds|ffmpeg] [--codec NOM] [--empty-images] "
       "[--stretch LxH | --cut G,H,D,B] [--rate R] [--video CHEMIN]",
       "Enregistre dans une nouvelle vidéo les images visibles du montage d'un document, comme "
       "le bouton « Enregistrer » du mode Montage.",
       {{"-o SORTIE.avi", "Vidéo écrite."},
        {"--backend vfw|ds|ffmpeg", "Bibliothèque qui écrit la vidéo."},
        {"--codec NOM", "Compression des images, parmi celles que le back-end offre."},
        {"--empty-images", "Images grises à la place des intervalles de temps du montage."},
        {"--stretch LxH", "Images étirées à cette taille, en pixels."},
        {"--cut G,H,D,B", "Images découpées : bords gauche, haut, droit et bas, en pixels."},
        {"--rate R", "Images par seconde de la vidéo écrite."},
        {"--video CHEMIN", kVideoOption}}},
      {"new",
       "VIDEO -o DOC.kvo [--scale X1,Y1,X2,Y2,LONGUEUR] [--origin X,Y[,ANGLE]] [--systems N] "
       "[--duration SECONDES] [--capture-rate CADENCE] [--lens K1,K2] "
       "[--plane X1,Y1,X2,Y2,X3,Y3,X4,Y4 --plane-size L,H]",
       "Écrit le document qu'on obtient en ouvrant la vidéo dans le programme puis en "
       "l'enregistrant, avec les mêmes valeurs par défaut, et au besoin une échelle, une "
       "origine, un nombre de points et une durée entre images. Les positions sont en pixels "
       "de l'image affichée (x vers la droite, y vers le bas).",
       {{"-o DOC.kvo", "Document écrit."},
        {"--scale X1,Y1,X2,Y2,LONGUEUR",
         "Échelle : les deux extrémités d'un segment de longueur connue, en mètres."},
        {"--origin X,Y[,ANGLE]",
         "Origine du repère, et angle de l'axe des x en degrés (sens trigonométrique)."},
        {"--systems N", "Nombre de points suivis."},
        {"--duration SECONDES", "Durée entre deux images."},
        {"--capture-rate CADENCE",
         "Images par seconde à la prise de vue d'une vidéo au ralenti qui ne le dit pas : "
         "la durée entre deux images en découle."},
        {"--lens K1,K2",
         "Correction de l'objectif (voir la commande lens), appliquée à chaque marque, à "
         "l'origine, à l'échelle et aux points du plan."},
        {"--plane X1,Y1,X2,Y2,X3,Y3,X4,Y4",
         "Étalonnage du plan : l'origine, un point de l'axe des x, le coin opposé et un point "
         "de l'axe des y, tels qu'ils sont affichés. Les positions sont alors en mètres dans "
         "le plan, à la place de l'échelle et du repère."},
        {"--plane-size L,H",
         "Distances réelles, en mètres, de l'origine au point de l'axe des x et au point de "
         "l'axe des y."}}},
      {"probe",
       "FICHIER [--backend vfw|ds|ffmpeg]",
       "Affiche les propriétés d'une vidéo, une « clé: valeur » par ligne : back-end "
       "utilisé (backend), nombre d'images (images), largeur et hauteur en pixels (width, "
       "height), images par seconde (rate), durée en secondes (duration) et durée d'une "
       "image en millisecondes (image_duration_ms), images par seconde à la prise de vue "
       "(capture_rate, « - » quand le fichier ne la donne pas), images répétées "
       "(repeated_images) et images précédées d'un trou de plus de 1,5 durée d'image "
       "(gaps_before) ; des lignes « warning: » signalent une chronologie irrégulière ou "
       "des durées d'images incohérentes. Un fichier illisible donne le message "
       "d'échec du programme, avec la raison en dernière ligne.",
       {{"--backend vfw|ds|ffmpeg", kBackend}}},
      {"simulate",
       "DOC.kvo --ax EXPR --ay EXPR [--param NOM=VALEUR]... [--system N] [--from IMAGE] "
       "[--fit NOM,...] [--video CHEMIN] [--layer]",
       "Modèle dynamique : les accélérations ax et ay sont des formules de t, x, y, vx, vy, v "
       "(la vitesse) et de paramètres nommés ; le modèle part de la position et de la vitesse "
       "d'une image marquée (paramètres x0, y0, vx0 et vy0) et il est intégré par la méthode "
       "de Runge-Kutta d'ordre 4 (10 pas entre deux images, aux temps des images). Affiche "
       "d'abord « NOM = VALEUR ± INCERTITUDE » pour chaque paramètre ajusté, puis une ligne "
       "« t x y » par image marquée (position du modèle en mètres) et enfin « rms = ... », la "
       "distance quadratique moyenne aux marques en mètres. Une formule illisible ou un "
       "modèle qui diverge donnent un message et un code de retour non nul.",
       {{"--ax EXPR", "Accélération selon x (m/s²), en formule ; nombres avec « . »."},
        {"--ay EXPR", "Accélération selon y (m/s²), en formule."},
        {"--param NOM=VALEUR",
         "Valeur d'un paramètre des formules (répétable) ; x0, y0, vx0 et vy0 remplacent "
         "les valeurs de départ lues sur les marques."},
        {"--system N", "Point étudié, numéroté à partir de 1 (par défaut : 1)."},
        {"--from IMAGE",
         "Image de départ, numérotée comme dans le tableau (par défaut : la première marquée)."},
        {"--fit NOM,...",
         "Paramètres ajustés (Levenberg-Marquardt) pour rapprocher le modèle des marques."},
        {"--video CHEMIN", kVideoOption},
        {"--layer", kLayer}}},
      {"results",
       "DOC.kvo [--layer] [--video CHEMIN] [--smooth-speed 0|1] [--smooth-acceleration 0|1] "
       "[--decimal ,|.] [--uncertainties]",
       "Affiche le tableau des résultats d'un document : identificateurs, unités et "
       "descriptions des colonnes, puis une ligne par image, séparés par des tabulations. "
       "Les vérifications du programme s'appliquent (échelle complète, origine placée, au "
       "moins trois marques par point) ; sinon le message s'affiche sur la sortie d'erreur.",
       {{"--layer", kLayer},
        {"--video CHEMIN", kVideoOption},
        {"--smooth-speed 0|1", "Lissage des vitesses (par défaut : celui du document)."},
        {"--smooth-acceleration 0|1",
         "Lissage des accélérations (par défaut : celui du document)."},
        {"--decimal ,|.", kDecimal},
        {"--uncertainties", kUncertainties}}},
      {"split",
       "VIDEO|DOC.kvo -o BASE.bmp|BASE.png",
       "Écrit chaque image visible d'une vidéo (du montage, pour un document) dans un "
       "fichier : BASE_1.bmp, BASE_2.bmp … (ou .png), comme « Vidéo en images » du mode "
       "Montage.",
       {{"-o BASE.bmp|BASE.png", "Nom de base et format des fichiers écrits."}}},
      {"strobe",
       "DOC.kvo -o SORTIE.png|.svg|.pdf [--system N] [--every N] [--images PREMIÈRE-DERNIÈRE] "
       "[--vectors speed|acceleration] [--threshold T] [--marks-only] [--layer] [--video CHEMIN]",
       "Chronophotographie de l'analyse : une image de la taille de la vidéo, sur le fond d'une "
       "image choisie, où l'objet en mouvement est recopié de chaque image choisie tel qu'il a "
       "été filmé, avec les marques numérotées, le repère, l'échelle et, si demandé, les "
       "vecteurs vitesse ou accélération à l'échelle de la vue des vecteurs avec leur flèche "
       "d'échelle. En SVG et en PDF, marques, numéros et vecteurs restent des dessins "
       "vectoriels au-dessus de l'image. Affiche « images: N », le nombre d'images montrées.",
       {{"--system N", "Seul point montré, numéroté à partir de 1 (par défaut : tous)."},
        {"--every N", "Une image marquée sur N (par défaut : toutes)."},
        {"--images PREMIÈRE-DERNIÈRE",
         "Seulement les images marquées de ces numéros (numéros d'images de la vidéo, à partir "
         "de 0)."},
        {"--vectors speed|acceleration", "Vecteurs vitesse ou accélération de chaque marque."},
        {"--threshold T",
         "Écart (0 à 255, par défaut 40) au-delà duquel un pixel diffère du fond médian des "
         "images choisies et est recopié."},
        {"--marks-only", "Seulement les marques sur le fond médian, sans recopier l'objet."},
        {"--layer", "Marques du pointage sur transparent."},
        {"--video CHEMIN", kVideoOption},
        {"-o SORTIE", "Fichier écrit : .png, .svg ou .pdf."}}},
      {"track",
       "VIDEO|DOC.kvo [--system N] --contour X,Y X,Y ... [--ban X,Y X,Y ...]... --first N "
       "--last M [--step S] [--method colour|appearance] [--radius R] [--rgb] "
       "[--stop-uncertain] [--threshold F] [-o SORTIE.kvo]",
       "Suit un objet image par image, par ses couleurs (mean-shift, par défaut) ou par son "
       "apparence (l'image contenue dans le contour, retrouvée par corrélation : pour un "
       "objet sans couleur propre). Le contour, en pixels de l'image N, donne le modèle de "
       "l'objet et son point de départ ; l'objet est ensuite cherché sur les images N + S, "
       "N + 2S … jusqu'à M. Chaque ligne affichée est « image x y ressemblance » : la "
       "position en pixels de l'image (non arrondie) et la ressemblance de ce qui est trouvé "
       "avec le modèle.\n\n"
       "Sur un document (DOC.kvo), le suivi du programme s'applique avec le pas entre "
       "marques du document : les positions deviennent les marques du point --system de "
       "SORTIE.kvo, et une ligne « uncertain: a-b,c » liste les images où l'objet n'a pas été "
       "trouvé nettement. Plusieurs objets se suivent ensemble avec une paire --system N "
       "--contour … par objet ; les lignes de chacun suivent alors une ligne « system N ».",
       {{"--contour X,Y X,Y ...", "Sommets du contour de l'objet sur l'image de départ."},
        {"--first N", "Image de départ."},
        {"--last M", "Dernière image suivie."},
        {"--step S", "Pas entre deux images suivies (vidéo seule ; par défaut : 1)."},
        {"--method colour|appearance",
         "Suivi par les couleurs (colour, par défaut) ou par l'apparence (appearance) ; le "
         "document écrit garde ce choix."},
        {"--radius R", "Rayon de recherche autour de la position attendue, en pixels."},
        {"--rgb", "Couleurs comparées en rouge, vert, bleu au lieu de teinte et saturation."},
        {"--ban X,Y X,Y ...",
         "Zone ignorée par le suivi par les couleurs (polygone en pixels) ; l'option peut se "
         "répéter."},
        {"--system N",
         "Point du document qui reçoit les marques du contour qui le suit (document seul), "
         "numéroté à partir de 1."},
        {"--stop-uncertain", "Arrête le suivi à la première image incertaine (document seul)."},
        {"--threshold F", "Seuil de ressemblance d'une image incertaine."},
        {"-o SORTIE.kvo", "Document écrit avec les nouvelles marques (document seul)."}}},
  };
}

// The paragraphs of `text` (separated by "\n\n") in lines of at most `width`
// columns: the first line of each after `first` spaces, the others after
// `next` spaces.
void Wrap(std::ostream& out, const std::string& text, std::size_t first, std::size_t next,
          std::size_t width) {
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find("\n\n", start);
    if (end == std::string::npos) end = text.size();
    if (start > 0) out << "\n";
    std::istringstream words(text.substr(start, end - start));
    start = end + 2;
    std::string word;
    std::size_t column = 0;
    bool lineStart = true;
    while (words >> word) {
      // Width in characters, not bytes (the texts are UTF-8).
      const auto length = static_cast<std::size_t>(
          std::count_if(word.begin(), word.end(), [](char c) { return (c & 0xC0) != 0x80; }));
      if (!lineStart && column + 1 + length > width) {
        out << "\n" << std::string(next, ' ');
        column = next;
        lineStart = true;
      } else if (lineStart && column == 0) {
        out << std::string(first, ' ');
        column = first;
      }
      if (!lineStart) {
        out << ' ';
        ++column;
      }
      out << word;
      column += length;
      lineStart = false;
    }
    out << "\n";
  }
}

void RoffParagraphs(std::ostream& out, const std::string& text) {
  std::size_t start = 0;
  bool first = true;
  while (start <= text.size()) {
    std::size_t end = text.find("\n\n", start);
    if (end == std::string::npos) end = text.size();
    if (!first) out << ".PP\n";
    first = false;
    out << RoffEscape(text.substr(start, end - start)) << "\n";
    start = end + 2;
  }
}

}  // namespace

const std::vector<CommandHelp>& AllCommandHelp() {
  static const std::vector<CommandHelp> all = MakeHelp();
  return all;
}

const CommandHelp* FindCommandHelp(const std::string& name) {
  for (const auto& h : AllCommandHelp())
    if (h.name == name) return &h;
  return nullptr;
}

void PrintUsage(std::ostream& out) {
  out << "Usage : kinevo-cli COMMANDE [ARGUMENTS]\n"
      << "        kinevo-cli COMMANDE --help   aide d'une commande\n\n"
      << "  --version   affiche la version\n"
      << "  --help      affiche cette aide\n\n"
      << "Commandes :\n";
  auto cmds = Registry();
  std::sort(cmds.begin(), cmds.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
  for (const auto& c : cmds) out << "  " << c.usage << "\n";
  out << "\nLes erreurs s'affichent sur la sortie d'erreur ; le code de retour vaut 0 en cas de "
         "succès,\n1 en cas d'échec et 2 pour des arguments incorrects.\n";
}

bool PrintCommandHelp(const std::string& name, std::ostream& out) {
  const auto& cmds = Registry();
  const auto cmd =
      std::find_if(cmds.begin(), cmds.end(), [&](const Command& c) { return c.name == name; });
  if (cmd == cmds.end()) return false;
  const CommandHelp* help = FindCommandHelp(name);
  if (help == nullptr) {
    out << "Usage : kinevo-cli " << cmd->usage << "\n";
    return true;
  }
  Wrap(out, "Usage : kinevo-cli " + help->name + " " + help->synopsis, 0, 8, 78);
  out << "\n";
  Wrap(out, help->description, 0, 0, 78);
  if (!help->options.empty()) out << "\nOptions :\n";
  for (const auto& o : help->options) {
    out << "  " << o.name << "\n";
    Wrap(out, o.text, 6, 6, 78);
  }
  return true;
}

std::string RoffEscape(const std::string& text) {
  std::string out;
  bool lineStart = true;
  for (char c : text) {
    if (lineStart && (c == '.' || c == '\'')) out += "\\&";
    if (c == '\\')
      out += "\\e";
    else if (c == '-')
      out += "\\-";
    else
      out += c;
    lineStart = c == '\n';
  }
  return out;
}

void PrintManPage(std::ostream& out) {
  out << ".\\\" Written by kinevo-cli --man from its help texts.\n"
      << ".TH KINEVO-CLI 1 \"\" \"Kinevo " << KINEVO_VERSION_STRING
      << "\" \"Commandes de Kinevo\"\n"
      // French text: no hyphenation with the English patterns.
      << ".nh\n"
      << ".SH NOM\n"
      << "kinevo\\-cli \\- étude du mouvement sur vidéo, en ligne de commande\n"
      << ".SH SYNOPSIS\n"
      << ".B kinevo\\-cli\n"
      << ".I COMMANDE\n"
      << "[\\fIARGUMENTS\\fR]\n"
      << ".br\n"
      << ".B kinevo\\-cli\n"
      << ".I COMMANDE\n"
      << ".B \\-\\-help\n"
      << ".br\n"
      << ".B kinevo\\-cli \\-\\-version\n"
      << ".SH DESCRIPTION\n"
      << "Les commandes de kinevo\\-cli font sans fenêtre ce que fait le programme Kinevo : "
         "lire une vidéo, lire et écrire un document d'analyse (.kvo), calculer et exporter "
         "les résultats, dessiner les graphes, suivre un objet. Leur sortie est du texte "
         "simple, une valeur par ligne, que d'autres outils peuvent lire.\n"
      << ".SH COMMANDES\n";
  auto cmds = Registry();
  std::sort(cmds.begin(), cmds.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
  for (const auto& c : cmds) {
    out << ".SS " << RoffEscape(c.name) << "\n";
    const CommandHelp* h = FindCommandHelp(c.name);
    if (h == nullptr) {
      out << "\\fBkinevo\\-cli\\fR " << RoffEscape(c.usage) << "\n";
      continue;
    }
    out << "\\fBkinevo\\-cli " << RoffEscape(h->name) << "\\fR " << RoffEscape(h->synopsis)
        << "\n.PP\n";
    RoffParagraphs(out, h->description);
    for (const auto& o : h->options)
      out << ".TP\n.B " << RoffEscape(o.name) << "\n" << RoffEscape(o.text) << "\n";
  }
  out << ".SH \"FICHIERS ÉCRITS\"\n"
      << "Un fichier est écrit en entier ou pas du tout : il est d'abord écrit à côté, sous un "
         "nom provisoire, puis renommé ; en cas d'échec (disque plein, dossier protégé …), "
         "l'ancien fichier reste tel quel. Une sortie qui est l'une des entrées de la commande "
         "(même sous un autre nom ou par un lien), un dossier ou un fichier protégé en "
         "écriture est refusé. Un lien symbolique est suivi : c'est sa cible qui est "
         "remplacée. Un périphérique (/dev/null) est écrit directement.\n"
      << ".SH \"CODE DE RETOUR\"\n"
      << "0 en cas de succès, 1 en cas d'échec (le message est écrit sur la sortie d'erreur), "
         "2 pour des arguments incorrects.\n"
      << ".SH FICHIERS\n"
      << ".TP\n.I ~/.config/kinevo/Kinevo.ini\n"
      << "Réglages du programme.\n"
      << ".TP\n.I /usr/lib/kinevo/KvoDll/\n"
      << "Greffons de lecture et d'écriture vidéo (back-end ffmpeg).\n"
      << ".TP\n.I /usr/share/kinevo/help/Help_fr.html\n"
      << "Guide de l'utilisateur.\n";
}

}  // namespace kinevo::cli
