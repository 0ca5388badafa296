// The document over its record: after any sequence of commands the current
// node is a live move on the selected line and the current position the one
// it reaches, and the modified flag is set exactly when the record changed;
// deletions fall back to the nearest surviving move; open, save and open
// again keep the record; the board editor completes and recounts.
#include "app/ckrs_doc.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <unordered_set>
#include <vector>

#include "support/kifu_builder.h"
#include "support/kifu_graph_checks.h"
#include "support/kifu_perft.h"
#include "support/random_record.h"
#include "support/test_files.h"
#include "support/test_paths.h"

namespace {

// Every move node of the record, the root and merged moves included.
std::unordered_set<const KifuMoveNode*> LiveMoves(const Kifu& kifu) {
  std::unordered_set<const KifuMoveNode*> moves{kifu.Root()};
  for (const KifuPositionNode* node : KifuReachableNodes(kifu)) {
    for (int index = 0; index < node->outgoing.Count(); ++index) moves.insert(node->outgoing.At(index));
  }
  return moves;
}

// What the document promises after every command.
void ExpectCurrentNodeSound(const CKRSDoc& doc) {
  const GameRecord& game = doc.Record();
  ASSERT_TRUE(LiveMoves(*game.record).contains(game.currentNode)) << "the current node is no move of the record";
  EXPECT_EQ(game.record->FindOnSelectedLine(game.currentNode), game.currentNode) << "off the selected line";
  EXPECT_TRUE(*game.currentPosition == game.currentNode->reachedNode->position) << "the position does not follow";
  EXPECT_EQ(doc.CurrentPly(), game.currentNode->reachedNode->ply);
}

std::string KifText(const CKRSDoc& doc) { return RecordText(*doc.Record().record, &Kifu::WriteKif); }

// A move given as the view gives it: squares, the type for a drop, the
// promote flag; the pieces are left for the document to fill in.
KifuMove BySquares(const KifuMove& move) {
  KifuMove bare;
  bare.fromFile = move.fromFile;
  bare.fromRank = move.fromRank;
  bare.toFile = move.toFile;
  bare.toRank = move.toRank;
  bare.promote = move.promote;
  return bare;
}

// A board edit from the position: mostly from an occupied square or a
// non-empty hand or box, to a square, a hand or the box; sometimes a piece
// changed in place, sometimes from anywhere at all.
KifuMove RandomEdit(const KifuPosition& position, std::mt19937& random) {
  auto pick = [&random](int count) { return static_cast<int>(random() % static_cast<unsigned>(count)); };
  std::vector<std::pair<int, int>> sources;
  for (int file = 1; file <= 9; ++file) {
    for (int rank = 1; rank <= 9; ++rank) {
      if (position.At(file, rank).IsPiece()) sources.push_back({file, rank});
    }
  }
  for (int holder = 0; holder < 3; ++holder) {
    for (int type = KIFU_PAWN; type <= KIFU_KING; ++type) {
      if (position.HandCount(holder, type) > 0) sources.push_back({KIFU_FIRST_HAND_FILE + holder, type});
    }
  }
  KifuMove edit;
  const auto [fromFile, fromRank] = sources.empty() || pick(10) == 0
                                        ? std::pair<int, int>{1 + pick(13), 1 + pick(9)}
                                        : sources[static_cast<size_t>(pick(static_cast<int>(sources.size())))];
  edit.fromFile = static_cast<int8_t>(fromFile);
  edit.fromRank = static_cast<int8_t>(fromRank);
  if (fromFile <= 9 && pick(5) == 0) {
    edit.toFile = edit.fromFile;
    edit.toRank = edit.fromRank;
    edit.promote = 1;
    return edit;
  }
  const bool toSquare = pick(3) != 0;
  edit.toFile = static_cast<int8_t>(toSquare ? 1 + pick(9) : KIFU_FIRST_HAND_FILE + pick(3));
  edit.toRank = static_cast<int8_t>(1 + pick(9));
  return edit;
}

// The commands of the random sequences, navigation first, with their
// weights: enough moving about that the deletions often meet a current
// node deep in the line, and the commands that start over rarer.
enum class Step {
  Forward, Back, ToPly, FirstOrLast, Branch, AddMove, AddMarker, DeleteBranch, DeleteAfter, Clear, Paste, Open,
  MergeOpen, EditBoard, Copy, Save
};
constexpr int kStepWeights[] = {6, 2, 5, 3, 3, 6, 1, 3, 2, 1, 1, 1, 2, 1, 1, 1};

class DocumentRun {
 public:
  explicit DocumentRun(uint32_t seed) : random_(seed), doc_(clipboard_) {
    for (const char* extension : {".kif", ".ki2", ".csa"}) {
      for (const std::string& path : FilesWithExtension(CorpusDir(), extension)) corpus_.push_back(path);
    }
    savePath_ = ProcessTempPath("ckrs_doc_run" + std::to_string(seed) + ".kif");
  }
  ~DocumentRun() { std::remove(savePath_.c_str()); }

  bool HasCorpus() const { return corpus_.size() >= 3; }

  // One random command; afterwards the document's promises are checked.
  void RunStep(int number) {
    const Step step = PickStep();
    SCOPED_TRACE("step " + std::to_string(number) + " command " + std::to_string(static_cast<int>(step)));
    const std::string before = KifText(doc_);
    const bool wasModified = doc_.IsModified();
    const int length = doc_.Record().record->LineLength();
    bool edits = false;  // a command that may change the record
    switch (step) {
      case Step::Forward: doc_.GoForward(Pick(3) == 0 ? Pick(3) : -1); break;
      case Step::Back: doc_.GoBack(); break;
      case Step::ToPly: doc_.GoToPly(Pick(length + 3) - 1); break;
      case Step::FirstOrLast: Pick(2) == 0 ? doc_.GoToFirst() : doc_.GoToLast(); break;
      case Step::Branch: doc_.SelectBranch(Pick(5) - 2, Pick(2) == 0); break;
      case Step::AddMove: {
        const std::vector<KifuMove> legal = KifuLegalMoves(*doc_.Record().currentPosition);
        KifuMove move = legal.empty() || Pick(8) == 0 ? RandomEdit(*doc_.Record().currentPosition, random_)
                                                      : BySquares(legal[static_cast<size_t>(Pick(static_cast<int>(legal.size())))]);
        move.promote = move.promote & 1;
        doc_.AddMove(move, Pick(100));
        edits = true;
        break;
      }
      case Step::AddMarker: {
        const KifuMoveKind kinds[] = {KifuMoveKind::Resignation, KifuMoveKind::Interruption, KifuMoveKind::Resumption,
                                      KifuMoveKind::Mate, KifuMoveKind::GameStart};
        const int side = doc_.Record().currentPosition->sideToMove;
        doc_.AddMove(KifuMove(0, 0, 0, 0, KIFU_KING + (side == 1 ? KIFU_SECOND_PLAYER_BIT : 0), 0, 0, kinds[Pick(5)]), 0);
        edits = true;
        break;
      }
      case Step::DeleteBranch: doc_.DeleteBranch(Pick(length + 2) - 1, Pick(4) - 1); edits = true; break;
      case Step::DeleteAfter: doc_.DeleteMovesAfter(Pick(length + 2) - 1); edits = true; break;
      case Step::Clear: doc_.Clear(); edits = true; break;
      case Step::EditBoard: doc_.EditBoard(RandomEdit(*doc_.Record().currentPosition, random_)); edits = true; break;
      case Step::MergeOpen: {
        KifuFileType type = KIFU_FILE_DETECT;
        doc_.MergeOpen(RandomCorpusFile().c_str(), &type);
        edits = true;
        break;
      }
      case Step::Paste: {
        clipboard_.SetText(SjisString(Pick(6) == 0 ? "not a record\n" : FileBytes(RandomCorpusFile()).c_str()));
        const bool pasted = doc_.Paste();
        EXPECT_EQ(doc_.IsModified(), pasted || wasModified) << "a paste makes a record no file holds";
        break;
      }
      case Step::Open: {
        const std::string path = Pick(6) == 0 ? savePath_ : Pick(6) == 0 ? "/nonexistent/x.kif" : RandomCorpusFile();
        KifuFileType type = KIFU_FILE_DETECT;
        const bool opened = doc_.Open(path.c_str(), &type);
        EXPECT_EQ(doc_.IsModified(), !opened && wasModified);
        if (!opened) {
          EXPECT_EQ(KifText(doc_), before) << "a failed open changed the record";
        }
        break;
      }
      case Step::Save: {
        const bool failing = Pick(4) == 0;
        KifuFileType type = KIFU_FILE_DETECT;
        const bool saved = doc_.Save(failing ? "/nonexistent/x.kif" : savePath_.c_str(), &type);
        EXPECT_EQ(saved, !failing);
        EXPECT_EQ(doc_.IsModified(), !saved && wasModified);
        break;
      }
      case Step::Copy: ExpectCopyPastesBack(); break;
    }
    ExpectCurrentNodeSound(doc_);
    if (step <= Step::Branch) {
      EXPECT_EQ(KifText(doc_), before) << "navigation changed the record";
      EXPECT_EQ(doc_.IsModified(), wasModified);
    } else if (edits) {
      EXPECT_EQ(doc_.IsModified(), wasModified || KifText(doc_) != before) << "the flag misses or invents a change";
    }
    if (number % 16 == 0) ExpectKifuGraphValid(*doc_.Record().record);
  }

 private:
  Step PickStep() {
    int total = 0;
    for (const int weight : kStepWeights) total += weight;
    int left = Pick(total), index = 0;
    while (left >= kStepWeights[index]) left -= kStepWeights[index++];
    return static_cast<Step>(index);
  }
  int Pick(int count) { return static_cast<int>(random_() % static_cast<unsigned>(count)); }
  const std::string& RandomCorpusFile() { return corpus_[static_cast<size_t>(Pick(static_cast<int>(corpus_.size())))]; }

  // The copy leaves the flag alone, and its KIF text pastes back as the
  // same record (a set-up position no reader takes aside).
  void ExpectCopyPastesBack() {
    const bool wasModified = doc_.IsModified();
    ASSERT_TRUE(doc_.Copy(KIFU_FILE_KIF, false));
    EXPECT_EQ(doc_.IsModified(), wasModified);
    if (!doc_.Record().record->StartNode()->position.IsValid()) return;
    Clipboard other;
    CKRSDoc copy(other);
    other.SetText(clipboard_.Text());
    ASSERT_TRUE(copy.Paste()) << clipboard_.Text().Text();
    EXPECT_EQ(CompareKifu(*doc_.Record().record, *copy.Record().record), "");
  }

  std::mt19937 random_;
  Clipboard clipboard_;
  CKRSDoc doc_;
  std::vector<std::string> corpus_;
  std::string savePath_;
};

TEST(CKRSDoc, RandomCommandsKeepTheCurrentNodeLiveAndTheFlagExact) {
  for (uint32_t seed = 1; seed <= 4; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    DocumentRun run(seed);
    ASSERT_TRUE(run.HasCorpus()) << "no corpus in " << CorpusDir();
    for (int step = 0; step < 1000 && !testing::Test::HasFatalFailure(); ++step) run.RunStep(step);
  }
}

// The record as a KIF file with CR LF line ends.
void WriteKifFile(const std::string& path, const Kifu& kifu) {
  const std::string text = RecordText(kifu, &Kifu::WriteKif, true);
  std::FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr) << path;
  EXPECT_EQ(std::fwrite(text.data(), 1, text.size(), file), text.size());
  std::fclose(file);
}

// Main line 7六歩 3四歩 2六歩 8四歩; a variation 2六歩 3四歩 7六歩 at the
// first move merges into the main line's third position and shares its
// continuation. Pasted into the document, which stands at the start.
void PasteMergedLines(Clipboard& clipboard, CKRSDoc& doc) {
  Kifu kifu;
  KifuPlayLine(kifu, kifu.StartNode(), {{7, 7, 7, 6}, {3, 3, 3, 4}, {2, 7, 2, 6}, {8, 3, 8, 4}});
  KifuPlayLine(kifu, kifu.StartNode(), {{2, 7, 2, 6}, {3, 3, 3, 4}, {7, 7, 7, 6}});
  clipboard.SetText(SjisString(RecordText(kifu, &Kifu::WriteKif).c_str()));
  ASSERT_TRUE(doc.Paste());
  ASSERT_EQ(doc.Record().record->Table()->Count(), 7);
}

// Whatever a command deletes or replaces, the current node falls back to
// the nearest move that survives on its way to the root.
TEST(CKRSDoc, DeletionsFallBackToTheNearestSurvivingMove) {
  Clipboard clipboard;
  CKRSDoc doc(clipboard);
  PasteMergedLines(clipboard, doc);
  const KifuPosition start = *doc.Record().currentPosition;
  doc.GoToLast();
  ASSERT_EQ(doc.CurrentPly(), 4);
  // The merged position survives through the variation, but the current
  // node's own way ran through the deleted first move.
  ASSERT_TRUE(doc.DeleteBranch(0, 0));
  EXPECT_EQ(doc.CurrentPly(), 0);
  EXPECT_TRUE(*doc.Record().currentPosition == start);
  EXPECT_EQ(doc.Record().record->LineLength(), 4);
  ExpectCurrentNodeSound(doc);

  doc.GoToLast();
  ASSERT_EQ(doc.CurrentPly(), 4);
  const KifuMoveNode* second = doc.Record().record->MoveAtPly(2);
  ASSERT_TRUE(doc.DeleteMovesAfter(2));
  EXPECT_EQ(doc.Record().currentNode, second);
  ExpectCurrentNodeSound(doc);
  // Deleting ahead of the current node leaves it where it is.
  ASSERT_TRUE(doc.DeleteBranch(1, 0));
  EXPECT_EQ(doc.CurrentPly(), 1);
  EXPECT_FALSE(doc.DeleteMovesAfter(1));
  ExpectCurrentNodeSound(doc);

  for (int round = 0; round < 3; ++round) {
    PasteMergedLines(clipboard, doc);
    doc.GoToLast();
    if (round == 0) {
      doc.Clear();
    } else if (round == 1) {
      ASSERT_TRUE(doc.Paste());
    } else {
      ASSERT_TRUE(doc.EditBoard(KifuMove(1, 7, 1, 6, 0, 0, 0, KifuMoveKind::Ordinary)));
    }
    EXPECT_EQ(doc.CurrentPly(), 0) << round;
    ExpectCurrentNodeSound(doc);
  }
}

// A record opened, saved and opened again is the same record, and a
// successful open or save leaves it unmodified; a failed save leaves the
// flag and the title alone.
TEST(CKRSDoc, OpenSaveOpenKeepsTheRecordAndClearsTheFlag) {
  std::vector<std::string> inputs;
  for (uint32_t seed = 1; seed <= 6; ++seed) {
    inputs.push_back(ProcessTempPath("ckrs_doc_random" + std::to_string(seed) + ".kif"));
    WriteKifFile(inputs.back(), *BuildRandomRecord(seed));
  }
  for (const char* extension : {".kif", ".ki2", ".csa"}) {
    const std::vector<std::string> corpus = FilesWithExtension(CorpusDir(), extension);
    ASSERT_FALSE(corpus.empty()) << "no corpus in " << CorpusDir();
    inputs.push_back(corpus.front());
  }
  const std::string saved = ProcessTempPath("ckrs_doc_saved.kif");
  for (const std::string& input : inputs) {
    SCOPED_TRACE(input);
    Clipboard clipboard;
    CKRSDoc doc(clipboard);
    KifuFileType type = KIFU_FILE_DETECT;
    ASSERT_TRUE(doc.Open(input.c_str(), &type));
    EXPECT_FALSE(doc.IsModified());
    doc.GoToLast();
    const std::vector<KifuMove> legal = KifuLegalMoves(*doc.Record().currentPosition);
    if (!legal.empty() && doc.AddMove(BySquares(legal.front()), 5)) {
      EXPECT_TRUE(doc.IsModified());
      type = KIFU_FILE_DETECT;
      EXPECT_FALSE(doc.Save("/nonexistent/directory/x.kif", &type));
      EXPECT_TRUE(doc.IsModified());
      EXPECT_STREQ(doc.Record().title.Text(), input.c_str());
    }
    type = KIFU_FILE_DETECT;
    ASSERT_TRUE(doc.Save(saved.c_str(), &type));
    EXPECT_FALSE(doc.IsModified());
    EXPECT_STREQ(doc.Record().title.Text(), saved.c_str());
    CKRSDoc again(clipboard);
    type = KIFU_FILE_DETECT;
    ASSERT_TRUE(again.Open(saved.c_str(), &type));
    EXPECT_FALSE(again.IsModified());
    EXPECT_EQ(CompareKifu(*doc.Record().record, *again.Record().record), "");
  }
  for (const std::string& path : inputs) {
    if (path.rfind(CorpusDir(), 0) != 0) std::remove(path.c_str());
  }
  std::remove(saved.c_str());
}

// A merge counts as a change only when it added something; the document
// keeps its title, and a merge with no equal position changes nothing.
TEST(CKRSDoc, MergeOpenMarksOnlyWhatItAdds) {
  const std::vector<std::string> corpus = FilesWithExtension(CorpusDir(), ".kif");
  ASSERT_GE(corpus.size(), 2u) << "no corpus in " << CorpusDir();
  Clipboard clipboard;
  CKRSDoc doc(clipboard);
  KifuFileType type = KIFU_FILE_DETECT;
  ASSERT_TRUE(doc.Open(corpus[0].c_str(), &type));
  const std::string text = KifText(doc);
  ASSERT_TRUE(doc.MergeOpen(corpus[0].c_str(), &type));
  EXPECT_FALSE(doc.IsModified());
  EXPECT_EQ(KifText(doc), text);
  ASSERT_TRUE(doc.MergeOpen(corpus[1].c_str(), &type));
  EXPECT_TRUE(doc.IsModified());
  EXPECT_NE(KifText(doc), text);
  EXPECT_STREQ(doc.Record().title.Text(), corpus[0].c_str());
  ExpectKifuGraphValid(*doc.Record().record);

  // A rook handicap's start occurs nowhere in an even game.
  const std::string handicap = ProcessTempPath("ckrs_doc_handicap.kif");
  Kifu rook;
  rook.Reset(HANDICAP_ROOK_82);
  WriteKifFile(handicap, rook);
  CKRSDoc clean(clipboard);
  const std::string even = KifText(clean);
  EXPECT_FALSE(clean.MergeOpen(handicap.c_str(), &type));
  EXPECT_FALSE(clean.IsModified());
  EXPECT_EQ(KifText(clean), even);
  std::remove(handicap.c_str());
}

// The editor fills in the edit, makes it, recounts the box and handicap,
// and starts the record from the edited position.
TEST(CKRSDoc, BoardEditorCompletesEditsAndRecountsTheBox) {
  Clipboard clipboard;
  CKRSDoc doc(clipboard);
  ASSERT_TRUE(doc.AddMove(KifuMove(7, 7, 7, 6, 0, 0, 0, KifuMoveKind::Ordinary), 0));
  // Second player's bishop and rook to the box: the two-piece handicap.
  ASSERT_TRUE(doc.EditBoard(KifuMove(2, 2, KIFU_BOX_FILE, 0, 0, 0, 0, KifuMoveKind::Ordinary)));
  ASSERT_TRUE(doc.EditBoard(KifuMove(8, 2, KIFU_BOX_FILE, 0, 0, 0, 0, KifuMoveKind::Ordinary)));
  const KifuPosition& start = doc.Record().record->StartNode()->position;
  EXPECT_EQ(start.handicapFlags, HANDICAP_TWO_PIECES);
  EXPECT_EQ(start.HandCount(KIFU_BOX, KIFU_BISHOP), 1);
  EXPECT_EQ(start.HandCount(KIFU_BOX, KIFU_ROOK), 1);
  EXPECT_EQ(start.At(7, 6).Code(), KIFU_PAWN) << "the edit starts from the current position";
  EXPECT_EQ(doc.Record().record->LineLength(), 0);
  EXPECT_TRUE(doc.IsModified());
  ExpectCurrentNodeSound(doc);

  // From the box back onto the board, and a pawn promoted in place.
  ASSERT_TRUE(doc.EditBoard(KifuMove(KIFU_BOX_FILE, KIFU_BISHOP, 2, 2, 0, 0, 0, KifuMoveKind::Ordinary)));
  EXPECT_EQ(doc.Record().record->StartNode()->position.handicapFlags, HANDICAP_ROOK_82);
  EXPECT_EQ(doc.Record().currentPosition->At(2, 2).Code(), KIFU_BISHOP);
  ASSERT_TRUE(doc.EditBoard(KifuMove(1, 7, 1, 7, 0, 0, 1, KifuMoveKind::Ordinary)));
  EXPECT_EQ(doc.Record().currentPosition->At(1, 7).Code(), KIFU_PAWN + KIFU_PROMOTED_BIT);

  // An edit from an empty square changes nothing.
  const std::string before = KifText(doc);
  EXPECT_FALSE(doc.EditBoard(KifuMove(5, 5, 5, 6, 0, 0, 0, KifuMoveKind::Ordinary)));
  EXPECT_EQ(KifText(doc), before);
}

// Moves are checked against the rules and the line's end: an illegal move,
// a move after a resignation and a second resumption are refused.
TEST(CKRSDoc, AddMoveKeepsTheRulesAndTheLineEnd) {
  Clipboard clipboard;
  CKRSDoc doc(clipboard);
  EXPECT_FALSE(doc.AddMove(KifuMove(7, 7, 7, 5, 0, 0, 0, KifuMoveKind::Ordinary), 0));
  EXPECT_FALSE(doc.AddMove(KifuMove(5, 9, 5, 8, 0, 0, 1, KifuMoveKind::Ordinary), 0));
  EXPECT_FALSE(doc.IsModified());
  ASSERT_TRUE(doc.AddMove(KifuMove(7, 7, 7, 6, 0, 0, 0, KifuMoveKind::Ordinary), 3));
  EXPECT_EQ(doc.Record().currentNode->move.piece.Code(), KIFU_PAWN);
  const KifuMove interruption(0, 0, 0, 0, KIFU_KING + KIFU_SECOND_PLAYER_BIT, 0, 0, KifuMoveKind::Interruption);
  const KifuMove resumption(0, 0, 0, 0, KIFU_KING + KIFU_SECOND_PLAYER_BIT, 0, 0, KifuMoveKind::Resumption);
  EXPECT_FALSE(doc.AddMove(resumption, 0));
  ASSERT_TRUE(doc.AddMove(interruption, 0));
  EXPECT_FALSE(doc.AddMove(KifuMove(3, 3, 3, 4, 0, 0, 0, KifuMoveKind::Ordinary), 0));
  ASSERT_TRUE(doc.AddMove(resumption, 0));
  EXPECT_FALSE(doc.AddMove(resumption, 0));
  ASSERT_TRUE(doc.AddMove(KifuMove(3, 3, 3, 4, 0, 0, 0, KifuMoveKind::Ordinary), 0));
  ASSERT_TRUE(doc.AddMove(KifuMove(0, 0, 0, 0, KIFU_KING, 0, 0, KifuMoveKind::Resignation), 0));
  EXPECT_FALSE(doc.AddMove(KifuMove(2, 7, 2, 6, 0, 0, 0, KifuMoveKind::Ordinary), 0));
  EXPECT_EQ(doc.CurrentPly(), 5);
  ExpectCurrentNodeSound(doc);
}

}  // namespace
