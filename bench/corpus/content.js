'use strict';
// Seeded randomness and the text the screens show: words, sentences, names, numbers, dates, paths, in
// English and in Chinese. Everything draws from one generator per screen, so a screen depends on the
// seed and its index only.

// mulberry32: small, fast and the same in every JavaScript engine.
function makeRng(seed) {
  let a = seed >>> 0;
  const next = () => {
    a = (a + 0x6D2B79F5) >>> 0;
    let t = a;
    t = Math.imul(t ^ (t >>> 15), t | 1);
    t ^= t + Math.imul(t ^ (t >>> 7), t | 61);
    return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
  };
  const rng = {
    next,
    int: (lo, hi) => lo + Math.floor(next() * (hi - lo + 1)),
    pick: (list) => list[Math.floor(next() * list.length)],
    chance: (p) => next() < p,
    shuffle: (list) => {
      const out = list.slice();
      for (let i = out.length - 1; i > 0; --i) {
        const j = Math.floor(next() * (i + 1));
        [out[i], out[j]] = [out[j], out[i]];
      }
      return out;
    },
  };
  return rng;
}

const WORDS = ('the of and to in is for on with as that this by from at are be it an or was we can will have ' +
  'new all more use one your data file time work team system report project update server user page ' +
  'release change build test version support order account price service network design review meeting ' +
  'budget market product customer garden river mountain city station train coffee window morning evening ' +
  'history science music library energy water travel weather kitchen museum island forest bridge harbour ' +
  'quickly simple public local private final early large small modern open clear better second third ' +
  'shows needs keeps moves makes takes gives brings finds reads writes opens checks starts stops runs ' +
  'about after before between during under over into through without against across behind near ' +
  'planning storage backup invoice schedule delivery package settings profile message contact folder ' +
  'document printer display keyboard memory process thread cluster region monitor license archive').split(' ');

const ZH_WORDS = ('我们 系统 数据 文件 时间 工作 团队 项目 更新 服务器 用户 页面 发布 版本 支持 订单 账户 价格 服务 网络 ' +
  '设计 会议 预算 市场 产品 客户 城市 车站 咖啡 窗口 早上 晚上 历史 科学 音乐 图书馆 能源 旅行 天气 ' +
  '博物馆 森林 公开 本地 最终 现代 清晰 显示 需要 保持 打开 检查 开始 停止 运行 设置 消息 联系人 文件夹 ' +
  '文档 打印机 键盘 内存 进程 集群 区域 许可证 存档 计划 备份 发票 日程 配送 已经 可以 如果 因为 所以 ' +
  '今天 明天 北京 上海 深圳 广州 杭州 成都 新的 重要 安全 快速 简单').split(' ');

const FIRST = ['Anna', 'Ben', 'Clara', 'David', 'Elena', 'Felix', 'Greta', 'Hugo', 'Ines', 'Jonas', 'Karin', 'Leon',
  'Mira', 'Noah', 'Olga', 'Paul', 'Rosa', 'Sami', 'Tara', 'Umar', 'Vera', 'Wim', 'Yara', 'Zoe'];
const LAST = ['Adler', 'Brandt', 'Costa', 'Dubois', 'Eriksen', 'Fischer', 'Garcia', 'Hansen', 'Ito', 'Jensen',
  'Kowalski', 'Lindqvist', 'Moreau', 'Novak', 'Okafor', 'Petrov', 'Quinn', 'Rossi', 'Silva', 'Tanaka'];
const ZH_NAMES = ['王伟', '李娜', '张敏', '刘洋', '陈静', '杨帆', '赵磊', '黄丽', '周杰', '吴芳', '徐明', '孙燕'];
const MONTHS = ['Jan', 'Feb', 'Mar', 'Apr', 'May', 'Jun', 'Jul', 'Aug', 'Sep', 'Oct', 'Nov', 'Dec'];
const EXT = ['txt', 'pdf', 'png', 'csv', 'md', 'json', 'tar.gz', 'docx', 'xlsx', 'log', 'py', 'cpp', 'js'];

function capital(s) { return s.charAt(0).toUpperCase() + s.slice(1); }

// The text source of one screen: lang 'en' or 'zh' (Chinese with Latin mixed in now and then).
function makeText(rng, lang) {
  const zh = lang === 'zh';
  const t = {
    zh,
    word: () => (zh ? rng.pick(ZH_WORDS) : rng.pick(WORDS)),
    // n words; Chinese words run together, English ones are spaced.
    words: (n) => {
      const list = [];
      for (let i = 0; i < n; ++i) list.push(t.word());
      return zh ? list.join('') : list.join(' ');
    },
    title: (lo = 2, hi = 4) => (zh ? t.words(rng.int(lo, hi)) : capital(t.words(rng.int(lo, hi)))),
    // A sentence that fits about chars characters (Chinese characters count double).
    sentence: (chars) => {
      let s = '';
      const limit = zh ? Math.max(4, Math.floor(chars / 2)) : chars;
      while (s.length < limit - 6) {
        const w = zh && rng.chance(0.08) ? rng.pick(['API', 'v2.1', 'Linux', 'CPU', '2024', 'JSON']) : t.word();
        s += zh ? w : (s ? ' ' : '') + w;
      }
      s = zh ? s : capital(s);
      if (s.length > limit) {
        s = s.slice(0, limit);
        // English is cut at a word boundary, Chinese anywhere.
        if (!zh && s.lastIndexOf(' ') > 0) s = s.slice(0, s.lastIndexOf(' '));
        s = s.trim();
      }
      return s + (zh ? '。' : '.');
    },
    name: () => (zh ? rng.pick(ZH_NAMES) : rng.pick(FIRST) + ' ' + rng.pick(LAST)),
    first: () => (zh ? rng.pick(ZH_NAMES) : rng.pick(FIRST)),
    user: () => rng.pick(FIRST).toLowerCase(),
    number: (lo, hi) => String(rng.int(lo, hi)),
    money: () => {
      const v = rng.int(100, 9999999);
      return (v / 100).toFixed(2).replace(/\B(?=(\d{3})+(?!\d))/g, ',');
    },
    date: () => `${rng.int(2019, 2026)}-${String(rng.int(1, 12)).padStart(2, '0')}-${String(rng.int(1, 28)).padStart(2, '0')}`,
    shortDate: () => `${rng.pick(MONTHS)} ${rng.int(1, 28)}`,
    time: () => `${String(rng.int(0, 23)).padStart(2, '0')}:${String(rng.int(0, 59)).padStart(2, '0')}`,
    file: () => `${rng.pick(WORDS.filter((w) => w.length > 3))}_${rng.pick(WORDS.filter((w) => w.length > 3))}.${rng.pick(EXT)}`,
    size: () => (rng.chance(0.5) ? `${rng.int(1, 999)} KB` : `${(rng.int(11, 990) / 10).toFixed(1)} MB`),
    percent: () => `${rng.int(0, 100)}%`,
  };
  return t;
}

module.exports = { makeRng, makeText, capital };
